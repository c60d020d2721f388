#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The site's settings of an installation: where the program's folder and the
// drives lie, and the server settings a new local database starts with.
// Each value is taken from the first of these that gives it:
//  - the environment (TAVO_ROOT, TAVO_DRIVE_<LETRA>);
//  - the user's file, tavo-upload.conf in the user's folder of the system
//    (~/.config/tavo-upload on Linux, %APPDATA%\TAVO Upload on Windows:
//    common/plataforma/PlataformaPastas.h);
//  - the system's file, tavo-upload.conf in pastaSistema().
// The files are INI files, read by ArquivoIni (its rules are there):
//
//   pasta=/srv/tavo
//   [unidades]
//   a=/media/secretaria/PENDRIVE
//   c=/srv/tavo/c
//   [servidor]
//   gerenciado=sim
//   ip=10.20.30.40
//   portas=5
//   porta_inicial=7000
//   tempo_conexao=10
//   tempo_resposta=120
//   tempo_sem_progresso=60
//   proxy=nenhum
//   proxy_senha=...        (the user's file only: see OpcoesTransferencia)
//
// A folder given relative in a file lies beside that file; "~/" is the
// user's home: HOME, else, when the environment has none (cron, a service),
// the account's home in the system's password database. A home that is the
// root of the file system counts as none: nothing is ever made there. An empty value counts as not given. The files are
// read every time a value is asked for; a file that cannot be read is logged once and counts as absent, and so is a
// value the reader refuses.
//
// A path variable is taken exactly or not at all: its bytes must be a file
// name as they are (UTF-8 here). One that is not would name another folder
// once decoded, so the programs check them all before anything is created
// (ambienteInutilizavel()), and reading one raises ErroTavo.
namespace ConfiguracaoSitio {

// The path in the environment variable `nome`, empty when it is not set.
// Raises ErroTavo(Erros::ArgumentoInvalido) when its bytes are no path; the
// description is the user's message, naming the variable.
QString caminhoDoAmbiente(const char *nome);

// The user's message for the first of TAVO_ROOT, TAVO_CONF_SISTEMA and
// TAVO_DRIVE_A to TAVO_DRIVE_Z whose value cannot be used as a path, the
// value written with its odd bytes as \xHH, or for a program's folder that
// needs a home when the user has none; nothing when all can.
std::optional<QString> ambienteInutilizavel();

// The folder of the system-wide files (tavo-upload.conf,
// escritorios_regionais.tsv): $TAVO_CONF_SISTEMA when set, else
// the system's (/etc/tavo-upload, %ProgramData%\TAVO Upload).
QString pastaSistema();

// The two files, whether or not they exist; the user's is empty when the
// user has no home.
QString arquivoSistema();
QString arquivoUsuario();

// Host path of the program's folder: TAVO_ROOT, else `pasta`, else
// the system's default (PlataformaPastas::programa()).
// Raises ErroTavo(Erros::ArgumentoInvalido) with the user's message when the
// folder needs a home and the user has none.
QString pastaPrograma();

// The folder configured for drive `letra`: TAVO_DRIVE_<LETRA>, else
// unidades/<letra> (the key in lower or upper case). Empty when neither is
// given.
QString pastaUnidade(QChar letra);

// The server settings `servidor/ip`, `servidor/portas` and
// `servidor/porta_inicial` as written (a missing one is empty); nothing when
// none of the three is given.
struct ServidorInicial
{
    QString ip;
    QString portas;
    QString portaInicial;
};
std::optional<ServidorInicial> servidorInicial();

// Where the value of the first of `chaves` comes from, for the diagnosis:
// "variável de ambiente TAVO_ROOT" (when `variavel` is set), "arquivo do
// usuário <file>", "arquivo do sistema <file>"; empty when none gives it
// (the program's default).
QString origem(const QStringList &chaves, const char *variavel = nullptr);

// `servidor/gerenciado`: "sim" (any case) when the site manages the server
// settings: the ones above are then put into use at every start and the user
// cannot change them (store/ConfiguracaoGerenciada.h); "não" or "nao", or
// not given, when the user keeps them. As for every key, the user's file
// wins over the system's. Raises ErroTavo(Erros::ArgumentoInvalido) with the
// user's message, naming the file, for any other value.
bool servidorGerenciado();

// The transfer's options of `servidor` as written, each empty when not
// given: the bounds `tempo_conexao`, `tempo_resposta` and
// `tempo_sem_progresso` (whole seconds) and `proxy` (see ProxyCliente). The
// store reads and checks them (aplicaOpcoesSitio).
//
// The proxy's password may be kept out of `proxy` (a proxy written with a
// user name and no password takes it): the environment's TAVO_PROXY_SENHA,
// else `proxy_senha` in [servidor] of the user's own file. The system's
// file, which every user reads, may not hold that key, and neither may a
// user's file that any account but its owner can read
// (PlataformaArquivos::outrosPodemLer): the file is then refused, whatever
// else gives the password.
struct OpcoesTransferencia
{
    QString tempoConexao;
    QString tempoResposta;
    QString tempoSemProgresso;
    QString proxy;
    // The password from outside the value; empty when none is given.
    QString senhaProxy;
    // The user's message, naming the file, when a file holds proxy_senha
    // where it may not; empty when none does.
    QString senhaRecusada;
};
OpcoesTransferencia opcoesTransferencia();

} // namespace ConfiguracaoSitio
