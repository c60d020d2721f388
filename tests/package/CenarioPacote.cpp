#include "CenarioPacote.h"

#include "common/Caminhos.h"
#include "common/Relogio.h"
#include "common/gui/DialogoArquivo.h"
#include "package/ArquivosTrabalho.h"
#include "package/MotorZip.h"
#include "package/modAddZip.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

CenarioPacote::CenarioPacote()
{
    ambiente.executa(QStringLiteral("insert into configuracao values ('127.0.0.1', 3, 47000)"));
    Relogio::fixa(QDateTime(QDate(2026, 3, 1), QTime(10, 0)));
    IniciaComponenteZip();
}

CenarioJanela::CenarioJanela()
{
    janela.Form_Load();
}

CenarioPacote::~CenarioPacote()
{
    Relogio::fixa({});
    FalhasArquivo::remove();
    DialogoArquivo::removeRoteiro();
}

QString CenarioPacote::local(const QString &caminho)
{
    QString host = instalacaoAtual().local(caminho);
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    return host;
}

QString CenarioPacote::pastaTrabalho() const
{
    return local(Caminhos::pastaTrabalho());
}

QString CenarioPacote::pastaPacotes() const
{
    return local(Caminhos::pastaPacotes());
}

QString CenarioPacote::disquete() const
{
    return local(Caminhos::unidadeDisquete());
}

void CenarioPacote::poeBancoEscola(const QString &fixture)
{
    ambiente.copiaDado(fixture, local(Caminhos::bancoEscola()));
}

void CenarioPacote::criaPacote(const QString &caminho, const QByteArray &conteudo)
{
    QTemporaryDir pasta;
    grava(pasta.filePath(QStringLiteral("mirv_dat.mdb")), conteudo);
    QDir().mkpath(QFileInfo(caminho).absolutePath());
    MotorZip::compacta(caminho, pasta.filePath(QStringLiteral("mirv_dat.mdb")), QStringLiteral("mirv_dat.mdb"), 3, {});
}

QByteArray CenarioPacote::le(const QString &caminho)
{
    QFile arquivo(caminho);
    return arquivo.open(QIODevice::ReadOnly) ? arquivo.readAll() : QByteArray();
}

void CenarioPacote::grava(const QString &caminho, const QByteArray &dados)
{
    QDir().mkpath(QFileInfo(caminho).absolutePath());
    QFile arquivo(caminho);
    if (!arquivo.open(QIODevice::WriteOnly) || arquivo.write(dados) != dados.size())
        qFatal("cannot write %s", qPrintable(caminho));
}

QStringList CenarioPacote::arquivosDe(const QString &pasta)
{
    return QDir(pasta).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray CenarioPacote::aleatorio(qint64 tamanho, quint32 semente)
{
    QByteArray dados(tamanho, Qt::Uninitialized);
    QRandomGenerator gerador(semente);
    for (qint64 i = 0; i < tamanho; ++i)
        dados[i] = char(gerador.generate() & 0xff);
    return dados;
}

QByteArray CenarioPacote::bancoDoPacote(const QString &pacote)
{
    QTemporaryDir pasta;
    MotorZip::extrai(pacote, QStringLiteral("*.*"), pasta.path(), false, {});
    return le(pasta.filePath(QStringLiteral("mirv_dat.mdb")));
}

void Disquetes::insere(int numero)
{
    retira();
    QDir().mkpath(m_drive);
    const QMap<QString, QByteArray> conteudo = discos.value(numero);
    for (auto it = conteudo.begin(); it != conteudo.end(); ++it)
        CenarioPacote::grava(m_drive + QLatin1Char('/') + it.key(), it.value());
    m_atual = numero;
}

void Disquetes::retira()
{
    if (m_atual != 0) {
        QMap<QString, QByteArray> conteudo;
        for (const QString &nome : CenarioPacote::arquivosDe(m_drive))
            conteudo.insert(nome, CenarioPacote::le(m_drive + QLatin1Char('/') + nome));
        discos.insert(m_atual, conteudo);
    }
    QDir(m_drive).removeRecursively();
    m_atual = 0;
}
