#include "support/AmbienteTeste.h"

#include "common/Caminhos.h"
#include "common/PlataformaMontagens.h"
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
    : m_raizAnterior(qgetenv("TAVO_ROOT"))
    , m_disqueteAnterior(qgetenv("TAVO_DRIVE_A"))
{
    qputenv("TAVO_ROOT", m_pasta.path().toUtf8());
    qunsetenv("TAVO_DRIVE_A");
    // No removable medium of the machine running the tests stands in for a:.
    Montagens::simula(QStringList{});
    QDir(m_pasta.path()).mkpath(QStringLiteral("drives/c"));
    if (comBanco)
        garanteBancoLocal();
}

AmbienteTeste::~AmbienteTeste()
{
    Montagens::simula(std::nullopt);
    qputenv("TAVO_ROOT", m_raizAnterior);
    if (m_disqueteAnterior.isEmpty())
        qunsetenv("TAVO_DRIVE_A");
    else
        qputenv("TAVO_DRIVE_A", m_disqueteAnterior);
}

QString AmbienteTeste::bancoLocal() const
{
    return Caminhos::naPastaPrograma(Caminhos::bancoLocal());
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
