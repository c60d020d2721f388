#include "Recebimento.h"

#include "common/Erro.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>

namespace PA = PlataformaArquivos;

namespace {

const QString kMetadados = QStringLiteral("envio.txt");

// A session's temporary file: ".<prefixo>-<16 hex digits>.parcial", made
// under a name no one has.
int criaTemporario(const QString &pasta, const char *prefixo, PA::Arquivo &arquivo, QString &caminho)
{
    int codigo = EEXIST;
    for (int tentativa = 0; tentativa < 8 && codigo == EEXIST; ++tentativa) {
        caminho = QDir(pasta).filePath(QStringLiteral(".%1-%2.parcial")
                                           .arg(QLatin1String(prefixo))
                                           .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
        codigo = arquivo.criaNovo(caminho);
    }
    if (codigo != 0)
        caminho.clear();
    return codigo;
}

int gravaInteiro(PA::Arquivo &arquivo, const QByteArray &dados)
{
    int codigo = arquivo.escreve(dados.constData(), dados.size());
    if (codigo == 0)
        codigo = arquivo.descarrega();
    const int fechamento = arquivo.fecha();
    return codigo != 0 ? codigo : fechamento;
}

QString texto(const QString &oque, int codigo)
{
    return oque + QStringLiteral(": ") + PA::textoDoSistema(codigo);
}

// The package `destino` (and its envio.txt, when it has one) under a second,
// dated name: "<destino>.<when it was stored>", the first such name free.
// A file system without second names moves them there instead, a moment
// before the new package takes the name. `desfaz` undoes it.
int guardaAnterior(const QString &destino, const QString &metadados, QString &guardado, bool &movido)
{
    const QString base =
        destino + QLatin1Char('.') + QFileInfo(destino).lastModified().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        guardado = n == 1 ? base : base + QStringLiteral("-%1").arg(n);
        if (QFileInfo::exists(guardado + QLatin1Char('.') + kMetadados))
            continue;
        movido = false;
        int codigo = PA::segundoNome(destino, guardado);
        if (codigo == EPERM || codigo == ENOTSUP || codigo == EOPNOTSUPP || codigo == ENOSYS) {
            movido = true;
            codigo = PA::renomeiaSemSubstituir(destino, guardado);
        }
        if (codigo == EEXIST)
            continue;
        if (codigo != 0 || !QFileInfo::exists(metadados))
            return codigo;
        const QString guardadoMetadados = guardado + QLatin1Char('.') + kMetadados;
        codigo = movido ? PA::renomeiaSemSubstituir(metadados, guardadoMetadados)
                        : PA::segundoNome(metadados, guardadoMetadados);
        if (codigo != 0)
            movido ? PA::renomeia(guardado, destino) : PA::removeArquivo(guardado);
        return codigo;
    }
    return EEXIST;
}

void desfaz(const QString &destino, const QString &metadados, const QString &guardado, bool movido)
{
    const QString guardadoMetadados = guardado + QLatin1Char('.') + kMetadados;
    if (movido) {
        PA::renomeiaSemSubstituir(guardado, destino);
        PA::renomeiaSemSubstituir(guardadoMetadados, metadados);
    } else {
        PA::removeArquivo(guardado);
        PA::removeArquivo(guardadoMetadados);
    }
}

} // namespace

Recebimento::~Recebimento()
{
    descarta();
}

QString Recebimento::motivoRecusa(const QString &nome)
{
    for (const QChar c : nome)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("a control character or a line break in the name");
    if (nome.compare(kMetadados, Qt::CaseInsensitive) == 0)
        return QStringLiteral("the name of the metadata file");
    return {};
}

QStringList Recebimento::limpaRestos(const QString &pasta)
{
    static const QRegularExpression temporario(QStringLiteral("^\\.(recebendo|envio)-[0-9a-f]{16}\\.parcial$"));
    QStringList removidos;
    const QDir raiz(pasta);
    for (const QString &nome : raiz.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        const QDir dir(raiz.filePath(nome));
        for (const QString &arquivo : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (arquivo != nome
                && (temporario.match(arquivo).hasMatch() || arquivo == nome + QStringLiteral(".parcial"))
                && PA::removeArquivo(dir.filePath(arquivo)) == 0)
                removidos.append(dir.filePath(arquivo));
        }
    }
    return removidos;
}

int Recebimento::abre(const QString &pasta, const QString &nome)
{
    descarta();
    m_nome = nome;
    m_pasta = QDir(pasta).filePath(nome);
    const int codigo = PA::criaPasta(m_pasta);
    if (codigo != 0 && !(codigo == EEXIST && QFileInfo(m_pasta).isDir()))
        return codigo == EEXIST ? ENOTDIR : codigo;
    return criaTemporario(m_pasta, "recebendo", m_arquivo, m_temporario);
}

int Recebimento::escreve(const char *dados, qint64 tamanho)
{
    return m_arquivo.escreve(dados, tamanho);
}

void Recebimento::descarta()
{
    if (m_temporario.isEmpty())
        return;
    m_arquivo = PA::Arquivo();
    PA::removeArquivo(m_temporario);
    m_temporario.clear();
}

Recebimento::Conclusao Recebimento::conclui(const QByteArray &metadados)
{
    Conclusao conclusao;
    const auto falha = [&](const QString &oque, int codigo) {
        conclusao.falha = texto(oque, codigo);
        descarta();
        return conclusao;
    };
    int codigo = gravaInteiro(m_arquivo, {});
    if (codigo != 0)
        return falha(QStringLiteral("cannot write %1 through to the disk").arg(m_temporario), codigo);

    PA::Arquivo arquivoMetadados;
    QString temporarioMetadados;
    codigo = criaTemporario(m_pasta, "envio", arquivoMetadados, temporarioMetadados);
    if (codigo == 0 && (codigo = gravaInteiro(arquivoMetadados, metadados)) != 0)
        PA::removeArquivo(temporarioMetadados);
    if (codigo != 0)
        return falha(QStringLiteral("cannot write the package's %1").arg(kMetadados), codigo);

    const QString destino = QDir(m_pasta).filePath(m_nome);
    const QString destinoMetadados = QDir(m_pasta).filePath(kMetadados);
    QString guardado;
    bool movido = false;
    if (QFileInfo(destino).isFile() && (codigo = guardaAnterior(destino, destinoMetadados, guardado, movido)) != 0) {
        PA::removeArquivo(temporarioMetadados);
        return falha(QStringLiteral("cannot keep the package already in %1").arg(destino), codigo);
    }
    codigo = PA::renomeia(m_temporario, destino);
    if (codigo != 0) {
        if (!guardado.isEmpty())
            desfaz(destino, destinoMetadados, guardado, movido);
        PA::removeArquivo(temporarioMetadados);
        return falha(QStringLiteral("cannot put the package in %1").arg(destino), codigo);
    }
    m_temporario.clear();
    conclusao.destino = destino;
    conclusao.anterior = guardado;

    codigo = PA::renomeia(temporarioMetadados, destinoMetadados);
    if (codigo != 0) {
        // The package is whole; an envio.txt of the one before would tell
        // of another package.
        PA::removeArquivo(temporarioMetadados);
        PA::removeArquivo(destinoMetadados);
        conclusao.aviso = texto(QStringLiteral("its %1 could not be written").arg(kMetadados), codigo);
    }
    try {
        PA::descarrega(m_pasta);
    } catch (const ErroTavo &erro) {
        conclusao.aviso = QStringLiteral("its folder could not be written through to the disk: ") + erro.relato();
    }
    return conclusao;
}
