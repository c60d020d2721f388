// A client run as another account, for tst_pastaCompartilhada:
//
//   clienteConta <file name>
//
// starts as the programs do (the environment checked, the log, the program
// folder taken and made ready) and records a send of <file name>. Exits 0
// when recorded; 3 when the start is refused (the message on standard
// error), 4 when the folder is not available, 5 when the record fails.
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "store/PastaPrograma.h"
#include "transfer/RegistroEnvio.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

class SemUsuario : public Interlocutor
{
public:
    Mensagens::Resposta responde(const Mensagens::Mensagem &mensagem) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(mensagem.texto));
        return Mensagens::Resposta::Ok;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("clienteConta"));
    if (argc != 2)
        return 2;
    std::optional<Instalacao> instalacao;
    try {
        instalacao.emplace(Instalacao::carrega());
    } catch (const ErroTavo &erro) {
        std::fprintf(stderr, "%s\n", qPrintable(erro.descricao()));
        return 3;
    }
    const Log::Instalacao log(Log::console(instalacao->pastaPrograma(), false));
    SemUsuario usuario;
    const PastaPrograma pasta(*instalacao, usuario);
    if (!pasta.disponivel() || !pasta.trava().tomada()) {
        std::fprintf(stderr, "%s\n", qPrintable(pasta.recusa()));
        return 4;
    }
    try {
        RegistraEnvio(*instalacao, {QString::fromLocal8Bit(argv[1]), QStringLiteral("114"), QStringLiteral("31045678"),
                                    QStringLiteral("PERIO"), 10, QByteArray(32, '\x01')});
    } catch (const ErroTavo &erro) {
        std::fprintf(stderr, "%s\n", qPrintable(erro.relato()));
        return 5;
    }
    return 0;
}
