// A school database read from arbitrary bytes, through the program's own
// path: the bytes become a file, a database session opens it (SQLite or Jet
// by its header) and the identification statement reads the school. Every
// failure must be an ErroTavo, and no connection may be left open.
//
// The Jet file is read by the helper program tavo-leitor-jet (built with
// the same sanitizers). A sanitizer report there ends the helper only, which
// the client sees as an unreadable file; so the helper's reports are written
// into a file of the fuzz folder, and a report found after an input turns
// into a crash of the fuzzer, with the input saved.
#include "PastaFuzz.h"

#include "common/Erro.h"
#include "store/Banco.h"
#include "store/ConsultaEscola.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>

namespace {

using PastaFuzz::falha;

// Prefix of the helper's sanitizer reports (one file per report, named
// with the helper's process id after it).
QString prefixoRelatorio()
{
    return PastaFuzz::raiz() + QStringLiteral("/relatorio_leitor");
}

// Sends the helper's sanitizer reports to files instead of its standard
// error. Leaks are not checked there: the helper ends right after reading,
// and what the library keeps until then is not this program's to fix.
void desviaRelatoriosDoLeitor()
{
    const QByteArray destino = ":log_path=" + QFile::encodeName(prefixoRelatorio());
    qputenv("ASAN_OPTIONS", qgetenv("ASAN_OPTIONS") + ":detect_leaks=0" + destino);
    qputenv("UBSAN_OPTIONS", qgetenv("UBSAN_OPTIONS") + destino);
}

// The helper's report left by the last input, if any.
QString relatorioDoLeitor()
{
    const QFileInfo prefixo(prefixoRelatorio());
    const QFileInfoList relatorios =
        QDir(prefixo.path()).entryInfoList({prefixo.fileName() + QLatin1Char('*')}, QDir::Files);
    QString texto;
    for (const QFileInfo &relatorio : relatorios) {
        QFile arquivo(relatorio.filePath());
        if (arquivo.open(QIODevice::ReadOnly))
            texto += QString::fromLocal8Bit(arquivo.readAll());
        QFile::remove(relatorio.filePath());
    }
    return texto;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication aplicacao(*argc, *argv);
    // The helper of this build folder, unless told otherwise.
    if (qEnvironmentVariableIsEmpty("TAVO_LEITOR_JET"))
        qputenv("TAVO_LEITOR_JET", TAVO_LEITOR_JET_CONSTRUIDO);
    desviaRelatoriosDoLeitor();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *dados, std::size_t tamanho)
{
    const QString pasta = PastaFuzz::raiz() + QStringLiteral("/banco");
    const QString arquivo = pasta + QStringLiteral("/escola.mdb");
    QDir(pasta).removeRecursively();
    if (!QDir().mkpath(pasta))
        falha("não foi possível criar a pasta");
    {
        QFile f(arquivo);
        if (!f.open(QIODevice::WriteOnly)
            || f.write(reinterpret_cast<const char *>(dados), static_cast<qint64>(tamanho))
                   != static_cast<qint64>(tamanho))
            falha("não foi possível gravar o arquivo de entrada");
    }

    try {
        const std::optional<DadosEscola> escola = ConsultaDadosEscola(arquivo);
        if (escola
            && (escola->codigoSRE != escola->codigoSRE.trimmed().toUpper()
                || escola->codigoEscola != escola->codigoEscola.trimmed().toUpper()))
            falha("dados da escola fora da forma normalizada");
    } catch (const ErroTavo &) {
        // A damaged or foreign file ends here: the window shows the message.
    } catch (...) {
        falha("a leitura lançou algo que não é ErroTavo");
    }
    if (SessaoBanco::algumaAberta())
        falha("a conexão ficou aberta depois da leitura");
    if (const QString relatorio = relatorioDoLeitor(); !relatorio.isEmpty())
        falha("um sanitizador parou o leitor Jet:\n", relatorio);
    return 0;
}
