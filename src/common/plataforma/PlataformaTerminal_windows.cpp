#include "common/plataforma/PlataformaTerminal.h"

#include "common/plataforma/ApoioWindows.h"
#include "common/plataforma/PlataformaArquivos.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace PlataformaTerminal {

namespace {

DWORD qual(Fluxo fluxo)
{
    return fluxo == Fluxo::Entrada ? STD_INPUT_HANDLE : fluxo == Fluxo::Saida ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
}

HANDLE handleDe(Fluxo fluxo)
{
    return ::GetStdHandle(qual(fluxo));
}

bool valido(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// Standard input, read by one thread of its own from the first question on:
// a console or a pipe cannot be waited on with a bound alike, and a read
// cannot be given up. What it read after a line end stays for the next
// question.
struct Leitor
{
    std::mutex trava;
    std::condition_variable chegou;
    QByteArray lido;
    bool fim = false;

    static Leitor &unico()
    {
        static Leitor *leitor = [] {
            auto *novo = new Leitor; // never destroyed: its thread may still read at exit
            std::thread([novo] { novo->le(); }).detach();
            return novo;
        }();
        return *leitor;
    }

    void le()
    {
        const HANDLE entrada = handleDe(Fluxo::Entrada);
        char bloco[256];
        for (;;) {
            DWORD n = 0;
            const bool ok = valido(entrada) && ::ReadFile(entrada, bloco, sizeof bloco, &n, nullptr);
            const std::lock_guard guarda(trava);
            if (!ok || n == 0) {
                fim = true;
                chegou.notify_all();
                return;
            }
            lido.append(bloco, n);
            chegou.notify_all();
        }
    }
};

} // namespace

QList<QByteArray> argumentosEmBytes(int, const char *const[])
{
    return {};
}

QStringList argumentosEmTexto(const QList<QByteArray> &)
{
    return QCoreApplication::arguments().mid(1);
}

Fechados abreFechados()
{
    Fechados fechados;
    bool *const estados[] = {&fechados.entrada, &fechados.saida, &fechados.erro};
    const Fluxo fluxos[] = {Fluxo::Entrada, Fluxo::Saida, Fluxo::Erro};
    for (int i = 0; i < 3; ++i) {
        if (valido(handleDe(fluxos[i])))
            continue;
        *estados[i] = true;
        const HANDLE nulo = ::CreateFileW(L"NUL", i == 0 ? GENERIC_READ : GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (valido(nulo))
            ::SetStdHandle(qual(fluxos[i]), nulo);
    }
    return fechados;
}

void semSinalPipe()
{
    // No SIGPIPE here; the console speaks UTF-8 both ways.
    if (::GetConsoleWindow()) {
        ::SetConsoleOutputCP(CP_UTF8);
        ::SetConsoleCP(CP_UTF8);
    }
}

bool ehTerminal(Fluxo fluxo)
{
    DWORD modo = 0;
    const HANDLE handle = handleDe(fluxo);
    return valido(handle) && ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetConsoleMode(handle, &modo);
}

int escreve(Fluxo fluxo, const QByteArray &dados)
{
    const HANDLE handle = handleDe(fluxo);
    if (!valido(handle))
        return EBADF;
    return PlataformaArquivos::escreveNoDescritor(reinterpret_cast<qintptr>(handle), dados.constData(), dados.size());
}

int concluiSaida()
{
    const int codigo = std::fflush(stdout) == 0 ? 0 : errno;
    // A file on a disk is written through: a write Windows deferred (a
    // network disk) is reported here.
    const HANDLE saida = handleDe(Fluxo::Saida);
    if (codigo == 0 && valido(saida) && ::GetFileType(saida) == FILE_TYPE_DISK && !::FlushFileBuffers(saida))
        return PlataformaWindows::ultimoErro();
    return codigo;
}

std::optional<QByteArray> leLinha(std::chrono::milliseconds limite)
{
    const QDeadlineTimer prazo(limite);
    Leitor &leitor = Leitor::unico();
    std::unique_lock guarda(leitor.trava);
    for (;;) {
        const qsizetype fimDaLinha = leitor.lido.indexOf('\n');
        if (fimDaLinha >= 0) {
            QByteArray linha = leitor.lido.left(fimDaLinha);
            leitor.lido.remove(0, fimDaLinha + 1);
            if (linha.endsWith('\r'))
                linha.chop(1);
            return linha;
        }
        if (leitor.fim)
            return std::nullopt;
        const qint64 restante = prazo.remainingTime();
        if (restante <= 0)
            return std::nullopt;
        leitor.chegou.wait_for(guarda, std::chrono::milliseconds(qMin<qint64>(restante, 60'000)));
    }
}

} // namespace PlataformaTerminal
