// A school database read from arbitrary bytes, through the program's own
// path: the bytes become a file, AbreBanco opens it (SQLite or Jet by its
// header) and the identification statement reads the school. Every failure
// must be an ErroTavo, and the shared connection must end closed.
//
// The Jet file is read by a child process. A sanitizer report there ends the
// child only, which the parent sees as an unreadable file; so each child
// leaves a mark when a sanitizer stops it, and the mark turns into a crash
// of the fuzzer, with the input saved.
#include "PastaFuzz.h"

#include "common/Erro.h"
#include "intake/IdentificacaoEscola.h"
#include "store/Banco.h"

#include <QCoreApplication>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

namespace {

using PastaFuzz::falha;

char g_marca[4096];

void filhoMorreu()
{
    const int fd = ::open(g_marca, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0)
        ::close(fd);
}

void noFilho()
{
    __sanitizer_set_death_callback(filhoMorreu);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication aplicacao(*argc, *argv);
    const QByteArray marca = QFile::encodeName(PastaFuzz::raiz() + QStringLiteral("/filho_morreu"));
    std::strncpy(g_marca, marca.constData(), sizeof g_marca - 1);
    ::pthread_atfork(nullptr, nullptr, noFilho);
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
        if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char *>(dados), static_cast<qint64>(tamanho))
                                                 != static_cast<qint64>(tamanho))
            falha("não foi possível gravar o arquivo de entrada");
    }

    try {
        const std::optional<DadosEscola> escola = LeDadosEscola(arquivo);
        if (escola && (escola->codigoSRE != escola->codigoSRE.trimmed().toUpper()
                       || escola->codigoEscola != escola->codigoEscola.trimmed().toUpper()))
            falha("dados da escola fora da forma normalizada");
    } catch (const ErroTavo &) {
        // A damaged or foreign file ends here: the window shows the message.
    } catch (...) {
        falha("a leitura lançou algo que não é ErroTavo");
    }
    if (Conexao().aberta())
        falha("a conexão ficou aberta depois da leitura");
    if (QFile::exists(QString::fromLocal8Bit(g_marca))) {
        QFile::remove(QString::fromLocal8Bit(g_marca));
        falha("um sanitizador parou o leitor Jet no processo filho (veja o relatório acima)");
    }
    return 0;
}
