#include "common/ConfiguracaoSitio.h"

#include "common/Log.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace {

const QString kNomeArquivo = QStringLiteral("tavo-upload.conf");
const QString kNomePrograma = QStringLiteral("tavo-upload");

// A value of one of the files, and the folder of the file that gave it.
struct ValorLido
{
    QString texto;
    QString pastaDoArquivo;
};

// Logs a file that cannot be used once per run, not at every path asked for.
void relataArquivoIlegivel(const QString &arquivo, QSettings::Status status)
{
    static QMutex trava;
    static QSet<QString> relatados;
    {
        // Released before the line is written: a log that asks for the
        // program's folder comes back here.
        const QMutexLocker guarda(&trava);
        if (relatados.contains(arquivo))
            return;
        relatados.insert(arquivo);
    }
    qCWarning(lcPrograma).noquote() << "Site configuration file ignored:" << arquivo
                                    << (status == QSettings::AccessError ? "(it cannot be read)"
                                                                         : "(it is not an INI file)");
}

// The text of `chave` in one file; a value with a comma is read as a list by
// the INI format (quoted, it stays one text) and is put back together.
std::optional<QString> valorNoArquivo(const QString &arquivo, const QStringList &chaves)
{
    if (!QFileInfo::exists(arquivo))
        return std::nullopt;
    const QSettings configuracao(arquivo, QSettings::IniFormat);
    if (configuracao.status() != QSettings::NoError) {
        relataArquivoIlegivel(arquivo, configuracao.status());
        return std::nullopt;
    }
    for (const QString &chave : chaves) {
        const QVariant valor = configuracao.value(chave);
        const QString texto = valor.typeId() == QMetaType::QStringList
                                  ? valor.toStringList().join(QStringLiteral(", ")).trimmed()
                                  : valor.toString().trimmed();
        if (!texto.isEmpty())
            return texto;
    }
    return std::nullopt;
}

// The value of the first of `chaves` in the user's file, else in the system's.
std::optional<ValorLido> valorDosArquivos(const QStringList &chaves)
{
    for (const QString &arquivo : {ConfiguracaoSitio::arquivoUsuario(), ConfiguracaoSitio::arquivoSistema()}) {
        if (const std::optional<QString> texto = valorNoArquivo(arquivo, chaves))
            return ValorLido{*texto, QFileInfo(arquivo).absolutePath()};
    }
    return std::nullopt;
}

QString pastaAbsoluta(const QString &pasta)
{
    return QDir::cleanPath(QDir(pasta).absolutePath());
}

// A folder named in a file: "~/" is the home, a relative one lies beside the file.
QString pastaDoArquivo(const ValorLido &valor)
{
    QString pasta = valor.texto;
    if (pasta == QLatin1String("~") || pasta.startsWith(QLatin1String("~/")))
        pasta = QDir::homePath() + pasta.mid(1);
    return QDir::cleanPath(QDir(valor.pastaDoArquivo).absoluteFilePath(pasta));
}

} // namespace

namespace ConfiguracaoSitio {

QString pastaSistema()
{
    const QString escolhida = qEnvironmentVariable("TAVO_CONF_SISTEMA");
    if (!escolhida.isEmpty())
        return pastaAbsoluta(escolhida);
    return QStringLiteral("/etc/") + kNomePrograma;
}

QString arquivoSistema()
{
    return pastaSistema() + QLatin1Char('/') + kNomeArquivo;
}

QString arquivoUsuario()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QLatin1Char('/') + kNomePrograma + QLatin1Char('/') + kNomeArquivo;
}

QString pastaPrograma()
{
    const QString ambiente = qEnvironmentVariable("TAVO_ROOT");
    if (!ambiente.isEmpty())
        return pastaAbsoluta(ambiente);
    if (const std::optional<ValorLido> valor = valorDosArquivos({QStringLiteral("pasta")}))
        return pastaDoArquivo(*valor);
    QString dados = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dados.isEmpty())
        dados = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dados + QLatin1Char('/') + kNomePrograma);
}

QString pastaUnidade(QChar letra)
{
    const QString minuscula = letra.toLower();
    const QString maiuscula = letra.toUpper();
    const QString ambiente = qEnvironmentVariable(qPrintable(QStringLiteral("TAVO_DRIVE_") + maiuscula));
    if (!ambiente.isEmpty())
        return pastaAbsoluta(ambiente);
    const QString grupo = QStringLiteral("unidades/");
    if (const std::optional<ValorLido> valor = valorDosArquivos({grupo + minuscula, grupo + maiuscula}))
        return pastaDoArquivo(*valor);
    return {};
}

std::optional<ServidorInicial> servidorInicial()
{
    const auto texto = [](const char *chave) {
        const std::optional<ValorLido> valor = valorDosArquivos({QStringLiteral("servidor/") + QLatin1String(chave)});
        return valor ? valor->texto : QString();
    };
    ServidorInicial servidor{texto("ip"), texto("portas"), texto("porta_inicial")};
    if (servidor.ip.isEmpty() && servidor.portas.isEmpty() && servidor.portaInicial.isEmpty())
        return std::nullopt;
    return servidor;
}

} // namespace ConfiguracaoSitio
