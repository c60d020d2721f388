// bench-escritor-minimo: the anchor of the transfer figures. The least a
// client of the upload protocol must do, with blocking calls and nothing
// else: connect, send the packet request, the file header, the size header,
// then the file in pieces of 2048 bytes, waiting only for the server's
// answers, and for its system to acknowledge the last byte. Prints
// "segundos=..." from connect to the last piece handed over, and
// "segundos_dados=..." from the server's grant to the last byte acknowledged.
//
//   bench-escritor-minimo <package> <port>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool enviaTudo(int s, const char *dados, size_t n)
{
    while (n > 0) {
        const ssize_t k = ::send(s, dados, n, MSG_NOSIGNAL);
        if (k <= 0)
            return false;
        dados += k;
        n -= size_t(k);
    }
    return true;
}

// Reads until `esperado` has arrived (answers may come glued together), at
// most 10 s.
bool aguarda(int s, std::string &recebido, const char *esperado)
{
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (recebido.find(esperado) == std::string::npos) {
        const auto resta =
            std::chrono::duration_cast<std::chrono::milliseconds>(limite - std::chrono::steady_clock::now());
        if (resta.count() <= 0)
            return false;
        pollfd p{s, POLLIN, 0};
        if (::poll(&p, 1, int(resta.count())) <= 0)
            return false;
        char buffer[512];
        const ssize_t k = ::recv(s, buffer, sizeof buffer, 0);
        if (k <= 0)
            return false;
        recebido.append(buffer, size_t(k));
    }
    recebido.erase(0, recebido.find(esperado) + std::strlen(esperado));
    return true;
}

int falha(const char *oque)
{
    std::fprintf(stderr, "bench-escritor-minimo: %s\n", oque);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        return falha("usage: bench-escritor-minimo <package> <port>");
    const int arquivo = ::open(argv[1], O_RDONLY);
    if (arquivo < 0)
        return falha("cannot open the package");
    const off_t tamanho = ::lseek(arquivo, 0, SEEK_END);
    ::lseek(arquivo, 0, SEEK_SET);

    const auto inicio = std::chrono::steady_clock::now();
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in endereco{};
    endereco.sin_family = AF_INET;
    endereco.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[2])));
    endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr *>(&endereco), sizeof endereco) != 0)
        return falha("cannot connect");

    std::string recebido;
    const std::string cabecalho = std::string("File~~~#:name~#:") + "DADOS_31045678_07122026.zip"
                                  + "*0000000114SSRE DE TESTE*31045678ESCOLA ESTADUAL TESTE*PERIO";
    const std::string tamanhoTexto = "File~~~#:size~#:" + std::to_string(tamanho);
    if (!aguarda(s, recebido, "Received accept"))
        return falha("no greeting");
    if (!enviaTudo(s, "Request#:PACKET", 15) || !aguarda(s, recebido, "Received PACKET"))
        return falha("no packet answer");
    if (!enviaTudo(s, cabecalho.data(), cabecalho.size()) || !enviaTudo(s, tamanhoTexto.data(), tamanhoTexto.size())
        || !aguarda(s, recebido, "Received PEND~# 1"))
        return falha("file not accepted");

    const auto concedido = std::chrono::steady_clock::now();
    char peca[2048];
    for (;;) {
        const ssize_t n = ::read(arquivo, peca, sizeof peca);
        if (n < 0)
            return falha("cannot read the package");
        if (n == 0)
            break;
        if (!enviaTudo(s, peca, size_t(n)))
            return falha("connection lost");
    }
    const auto entregue = std::chrono::steady_clock::now();
    // The server's system acknowledged every byte once the send queue is
    // empty (at most 60 s).
    int naFila = 1;
    for (int i = 0; i < 600000 && ::ioctl(s, SIOCOUTQ, &naFila) == 0 && naFila > 0; ++i)
        ::usleep(100);
    if (naFila != 0)
        return falha("the last bytes were not acknowledged");
    const auto reconhecido = std::chrono::steady_clock::now();
    ::close(s);
    const auto segundos = [](auto de, auto ate) { return std::chrono::duration<double>(ate - de).count(); };
    std::printf("segundos=%.6f\nsegundos_dados=%.6f\n", segundos(inicio, entregue), segundos(concedido, reconhecido));
    return 0;
}
