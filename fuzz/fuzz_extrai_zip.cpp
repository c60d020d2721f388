// Extraction of arbitrary bytes as a ZIP archive into a temporary folder.
// Nothing may be written outside that folder, whatever the entry names, and
// every failure must be an ErroTavo. The archive is also tested (each entry
// read to its end), as the package selection does before extracting.
#include "PastaFuzz.h"

#include "common/Erro.h"
#include "package/MotorZip.h"
#include "package/StatusZip.h"

#include <QFile>

#include <cstddef>
#include <cstdint>
#include <string>
#include <zip.h>

namespace {

using PastaFuzz::falha;

void relator(const EventoZip &evento)
{
    // Every event the engine reports is one of its actions, with a share of
    // the step, whatever the entry names.
    if (evento.acao < AcaoZip::Zipando || evento.acao > AcaoZip::Testado || evento.percentual < 0
        || evento.percentual > 100)
        falha("evento fora do esperado:", LinhaEvento(evento));
}

// Writes a well-formed archive whose entries (names and contents) come from
// the input: [name length][name][content length][content]... Mutating raw
// ZIP bytes seldom gets past the library's checks; this way every kind of
// hostile name reaches the extraction.
bool montaArquivo(const QString &arquivo, const std::uint8_t *dados, std::size_t tamanho)
{
    int erro = 0;
    zip_t *zip = zip_open(QFile::encodeName(arquivo).constData(), ZIP_CREATE | ZIP_TRUNCATE, &erro);
    if (!zip)
        return false;
    std::size_t i = 0;
    while (i < tamanho) {
        const std::size_t tamanhoNome = std::min<std::size_t>(dados[i++], tamanho - i);
        const std::string nome(reinterpret_cast<const char *>(dados + i), tamanhoNome);
        i += tamanhoNome;
        const std::size_t tamanhoConteudo = i < tamanho ? std::min<std::size_t>(dados[i++], tamanho - i) : 0;
        zip_source_t *fonte = zip_source_buffer(zip, dados + i, tamanhoConteudo, 0);
        i += tamanhoConteudo;
        if (!fonte)
            continue;
        if (zip_file_add(zip, nome.c_str(), fonte, ZIP_FL_ENC_GUESS) < 0)
            zip_source_free(fonte); // e.g. a repeated name: the entry is left out
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        return false;
    }
    return QFileInfo(arquivo).isFile();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *dados, std::size_t tamanho)
{
    if (tamanho < 1)
        return 0;
    const bool restauraEstrutura = (dados[0] & 1) != 0;
    static const QString padroes[] = {QStringLiteral("*.*"), QStringLiteral("*.mdb"), QString(), QStringLiteral("a*")};
    const QString incluir = padroes[(dados[0] >> 1) & 3];

    // raiz/ holds the archive and fora/; fora/ holds destino/, where the
    // entries go. Nothing but destino/ may change.
    const QString raiz = PastaFuzz::raiz();
    const QString fora = raiz + QStringLiteral("/fora");
    const QString destino = fora + QStringLiteral("/destino");
    const QString arquivo = raiz + QStringLiteral("/pacote.zip");
    QDir(destino).removeRecursively();
    if (!QDir().mkpath(destino))
        falha("não foi possível criar a pasta de destino");
    QFile::remove(arquivo);
    if (dados[0] & 0x80) {
        // Bit 7: the input describes the entries of a sound archive.
        if (!montaArquivo(arquivo, dados + 1, tamanho - 1))
            return 0;
    } else {
        QFile f(arquivo);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || f.write(reinterpret_cast<const char *>(dados + 1), static_cast<qint64>(tamanho - 1))
                   != static_cast<qint64>(tamanho - 1))
            falha("não foi possível gravar o arquivo de entrada");
    }
    const QStringList antes = PastaFuzz::listagem(raiz, QStringLiteral("fora/destino"));

    try {
        MotorZip::extrai(arquivo, incluir, destino, restauraEstrutura, relator);
    } catch (const ErroTavo &) {
        // The expected way for a damaged or hostile archive to end.
    } catch (...) {
        falha("extrai lançou algo que não é ErroTavo");
    }
    if (PastaFuzz::listagem(raiz, QStringLiteral("fora/destino")) != antes)
        falha("a extração mudou arquivos fora da pasta de destino");
    // Inside destino/: only plain files and folders, every one really inside.
    const QString canonico = QFileInfo(destino).canonicalFilePath();
    for (const QString &linha : PastaFuzz::listagem(destino)) {
        if (linha.endsWith(QLatin1String(" L")))
            falha("a extração criou um vínculo simbólico:", linha);
        const QString relativo = linha.left(linha.lastIndexOf(QLatin1Char(' ')));
        if (!QFileInfo(destino + QLatin1Char('/') + relativo)
                 .canonicalFilePath()
                 .startsWith(canonico + QLatin1Char('/')))
            falha("arquivo extraído fora da pasta:", linha);
    }

    try {
        (void)MotorZip::testa(arquivo, relator);
    } catch (const ErroTavo &) {
    } catch (...) {
        falha("testa lançou algo que não é ErroTavo");
    }
    if (PastaFuzz::listagem(raiz, QStringLiteral("fora/destino")) != antes)
        falha("o teste do arquivo mudou arquivos");
    return 0;
}
