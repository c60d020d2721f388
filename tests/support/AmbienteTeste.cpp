#include "support/AmbienteTeste.h"

#include "common/plataforma/PlataformaMontagens.h"
#include "common/plataforma/PlataformaPastas.h"
#include "store/Provisionamento.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

namespace {

template <typename F> void comConexao(const QString &caminho, F &&trabalho)
{
    const QString nome = QUuid::createUuid().toString();
    {
        QSqlDatabase banco = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nome);
        banco.setDatabaseName(caminho);
        if (!banco.open())
            qFatal("cannot open %s", qPrintable(caminho));
        trabalho(banco);
        banco.close();
    }
    QSqlDatabase::removeDatabase(nome);
}

} // namespace

AmbienteTeste::AmbienteTeste(bool comBanco)
{
    const auto guarda = [this](const QByteArray &nome) {
        m_anteriores.append({nome, qEnvironmentVariableIsSet(nome.constData())
                                       ? std::optional<QByteArray>(qgetenv(nome.constData()))
                                       : std::nullopt});
    };
    const auto define = [&guarda](const char *nome, const QString &valor) {
        guarda(nome);
        qputenv(nome, valor.toUtf8());
    };
    define("TAVO_ROOT", m_pasta.path());
    define("TAVO_CONF_SISTEMA", pastaSistema());
    define("XDG_CONFIG_HOME", m_configuracao.path() + QStringLiteral("/config"));
    define("XDG_DATA_HOME", pastaDadosUsuario());
    // Windows' own (the user's file, the machine's folder).
    define("APPDATA", m_configuracao.path() + QStringLiteral("/config"));
    define("ProgramData", m_configuracao.path() + QStringLiteral("/programdata"));
    for (char letra = 'A'; letra <= 'Z'; ++letra) {
        const QByteArray nome = QByteArray("TAVO_DRIVE_") + letra;
        guarda(nome);
        qunsetenv(nome.constData());
    }
    // Where the host has drives of its own (Windows), c: is the test's
    // folder, as drives/c is elsewhere by default.
    if (!Montagens::raizDaUnidade(QLatin1Char('c')).isEmpty())
        qputenv("TAVO_DRIVE_C", QString(m_pasta.path() + QStringLiteral("/drives/c")).toUtf8());
    // No removable medium of the machine running the tests stands in for a:.
    Montagens::simula(QStringList{});
    QDir(m_pasta.path()).mkpath(QStringLiteral("drives/c"));
    if (comBanco)
        garanteBancoLocal(instalacaoAtual());
}

AmbienteTeste::~AmbienteTeste()
{
    Montagens::simula(std::nullopt);
    for (const auto &[nome, valor] : std::as_const(m_anteriores)) {
        if (valor)
            qputenv(nome.constData(), *valor);
        else
            qunsetenv(nome.constData());
    }
}

QString AmbienteTeste::pastaSistema() const
{
    return m_configuracao.path() + QStringLiteral("/etc/tavo-upload");
}

QString AmbienteTeste::pastaConfiguracaoUsuario() const
{
    return PlataformaPastas::usuario();
}

QString AmbienteTeste::pastaDadosUsuario() const
{
    return m_configuracao.path() + QStringLiteral("/data");
}

QString AmbienteTeste::bancoLocal() const
{
    return instalacaoAtual().bancoLocal();
}

void AmbienteTeste::executa(const QString &sql) const
{
    comConexao(bancoLocal(), [&](QSqlDatabase &banco) {
        QSqlQuery consulta(banco);
        if (!consulta.exec(sql))
            qFatal("statement failed: %s: %s", qPrintable(sql), qPrintable(consulta.lastError().text()));
    });
}

QString AmbienteTeste::valor(const QString &sql) const
{
    QString resultado;
    comConexao(bancoLocal(), [&](QSqlDatabase &banco) {
        QSqlQuery consulta(banco);
        if (!consulta.exec(sql))
            qFatal("query failed: %s: %s", qPrintable(sql), qPrintable(consulta.lastError().text()));
        if (consulta.next())
            resultado = consulta.value(0).toString();
    });
    return resultado;
}

QString AmbienteTeste::dado(const QString &nome)
{
    return QStringLiteral(TAVO_TEST_DATA) + QLatin1Char('/') + nome;
}

void AmbienteTeste::copiaDado(const QString &nome, const QString &destino) const
{
    QDir().mkpath(QFileInfo(destino).absolutePath());
    QFile::remove(destino);
    if (!QFile::copy(dado(nome), destino))
        qFatal("cannot copy %s to %s", qPrintable(nome), qPrintable(destino));
    QFile(destino).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

Instalacao instalacaoAtual()
{
    return Instalacao::carrega();
}
