#include "store/PastaPrograma.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Log.h"
#include "common/PastaUsuarios.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "store/AtualizaSRE.h"
#include "store/ConfiguracaoGerenciada.h"
#include "store/PreparacaoBancoLocal.h"

#include <QDir>

#include <cerrno>

namespace {

// The files an earlier version left readable by the PC's other accounts (a
// package is the whole school database) are kept from them as new ones are:
// the local database and its journal, the log and its copies, the packages
// and the working files. Only this user's own files change.
void estreitaArquivosProprios(const Instalacao &instalacao)
{
    const QDir::Filters filtros = QDir::Files | QDir::Hidden | QDir::NoSymLinks;
    const QDir programa(instalacao.pastaPrograma());
    QStringList arquivos;
    for (const QString &nome :
         programa.entryList({QStringLiteral("UploadCliente.mdb*"), QStringLiteral("tavo-upload.log*")}, filtros))
        arquivos.append(programa.filePath(nome));
    for (const QString &caminho : {Caminhos::pastaPacotes(), Caminhos::pastaTrabalho()}) {
        const QString local = instalacao.local(caminho);
        if (PlataformaArquivos::confere(local) != 0)
            continue;
        const QDir outra(local);
        for (const QString &nome : outra.entryList(filtros))
            arquivos.append(outra.filePath(nome));
    }
    for (const QString &arquivo : std::as_const(arquivos))
        if (const int codigo = PlataformaArquivos::ajustaAcesso(arquivo); codigo != 0 && codigo != ENOENT)
            qCWarning(lcPrograma).noquote()
                << "Permissions of" << arquivo << "not narrowed:" << PlataformaArquivos::textoDoSistema(codigo);
}

} // namespace

PastaPrograma::PastaPrograma(const Instalacao &instalacao, Interlocutor &interlocutor, Preparo preparo)
    : m_trava(instalacao.pastaPrograma())
{
    // A folder shared by an office's group: what this client makes from now
    // on (the database, the working files, the packages) the others write too.
    const QString &pasta = instalacao.pastaPrograma();
    if (PlataformaArquivos::pastaDeGrupo(pasta)) {
        PlataformaArquivos::mascaraDeGrupo();
        qCInfo(lcPrograma).noquote() << "Program folder shared by its group:" << pasta
                                     << "- files made here are group-writable";
    }
    // Every user of the PC works in the program's folder and empties the
    // working folder: what an administrator's folder lacks for that is told
    // at every start, and left as it is.
    for (const QString &compartilhada : {pasta, instalacao.local(Caminhos::pastaTrabalho())})
        if (const QString falta = PastaUsuarios::falta(compartilhada); !falta.isEmpty())
            qCWarning(lcPrograma).noquote() << falta;
    // Without the lock (a folder where nothing can be written) nothing is
    // converted nor put in place.
    if (m_trava.tomada())
        estreitaArquivosProprios(instalacao);
    if (m_trava.tomada() && preparo == Preparo::BancoLocal) {
        m_conversaoRecusada = !preparaBancoLocal(instalacao, interlocutor);
        m_configuracaoInvalida =
            ConfiguracaoGerenciada::aplica(instalacao, interlocutor) == ConfiguracaoGerenciada::Aplicacao::Invalida;
    }
}

QString PastaPrograma::recusa() const
{
    return m_trava.ocupada() ? TravaPrograma::textoOcupada() : m_trava.textoFalha();
}

void AtualizaEscritorios(const Instalacao &instalacao)
{
    try {
        AtualizaSRE(instalacao);
    } catch (const ErroTavo &erro) {
        qCWarning(lcBanco).noquote() << "Regional office names not refreshed:" << erro.relato();
    }
}
