#pragma once

#include <QChar>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// The installation as this start found it: where the program's folder and
// the drives lie, the server settings the site gives a new local database,
// and the transfer's options. Loaded once per start (Instalacao::carrega)
// and handed to what needs it: the jobs, the database session, the send,
// the diagnosis.
//
// Each value is a key of the table chaves() (its name, its type, its
// default) and is taken from the first of these that gives it:
//  - on Windows, a Group Policy (common/plataforma/PlataformaPoliticas.h)
//    for the keys IT manages that way (Chave::politica): the [servidor]
//    keys but proxy_senha, and drives a: and c:;
//  - the environment (TAVO_ROOT, TAVO_DRIVE_<LETRA>, TAVO_PROXY_SENHA);
//  - the user's file, tavo-upload.conf in the user's folder of the system
//    (~/.config/tavo-upload on Linux, %APPDATA%\TAVO Upload on Windows:
//    common/plataforma/PlataformaPastas.h);
//  - the system's file, tavo-upload.conf in pastaSistema();
//  - the key's default.
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
// root of the file system counts as none: nothing is ever made there. An
// empty value counts as not given. A file that cannot be read is logged and
// counts as absent, and so is a value the reader refuses.
//
// The system's file and the regional offices' list beside it are the
// machine's: on Windows they are used only when nobody but the system and
// its administrators may have written them (PlataformaArquivos::
// daMaquina), or anyone could send every user's school data to a server of
// their own; a file that fails refuses the start.
//
// A path variable is taken exactly or not at all: its bytes must be a file
// name as they are (UTF-8 here). One that is not would name another folder
// once decoded, so the load refuses them all before anything is created.
//
// Media are not part of the installation: drive a: is looked for at each use
// (a stick put in after the start is found).

// The program's own time bounds of the transfer's waits, those of a send
// whose settings give none (the keys' defaults below). Tests shorten them.
struct PrazosEspera
{
    // One connection attempt.
    std::chrono::milliseconds conexao{10'000};
    // A server answer (a server that queues its clients answers when this
    // one's turn comes).
    std::chrono::milliseconds resposta{120'000};
    // A send that makes no progress.
    std::chrono::milliseconds semProgresso{60'000};
};

// The server settings `servidor/ip`, `servidor/portas` and
// `servidor/porta_inicial` as written (a missing one is empty).
struct ServidorInicial
{
    QString ip;
    QString portas;
    QString portaInicial;
};

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
    // The user's message, naming the file or the policy, when a file holds
    // proxy_senha where it may not, or a policy's proxy holds a password
    // (every user reads the policies: that proxy is not used); empty when
    // none does.
    QString senhaRecusada;
};

// Drive a: on this host: the folder that stands for it and whether a medium
// is there.
struct Disquete
{
    QString pasta;
    bool presente = false;
};

class Instalacao
{
public:
    enum class Tipo {
        Pasta,    // a folder: relative to its file, "~/" the home
        Texto,    // taken as written
        SimNao,   // "sim" or "não"
        Segundos, // a whole number of seconds
        Proxy,    // see ProxyCliente
        Senha,    // never printed
    };
    // Where a value came from.
    enum class Origem {
        Padrao,
        Ambiente,
        ArquivoUsuario,
        ArquivoSistema,
        Politica,
    };

    // One key of the installation: its name in the files ("servidor/ip"),
    // its type, the environment variable that gives it before the files
    // (empty: none), its default as text (empty: none; the program's
    // folder's depends on the system) and whether a policy may set it.
    struct Chave
    {
        QString nome;
        Tipo tipo;
        QString variavel;
        QString padrao;
        bool politica = false;
    };
    // The table: pasta, unidades/a to unidades/z, then the [servidor] keys.
    static const QList<Chave> &chaves();

    // A key's value and where it came from: the variable's name or the
    // file's path in `fonte`.
    struct Valor
    {
        QString texto;
        Origem origem = Origem::Padrao;
        QString fonte;
    };

    // Reads the policies, the environment and the two files. Raises
    // ErroTavo(Erros::ArgumentoInvalido) with the user's message for the
    // first of TAVO_ROOT, TAVO_CONF_SISTEMA and TAVO_DRIVE_A to TAVO_DRIVE_Z
    // whose value cannot be used as a path (the value written with its odd
    // bytes as \xHH), for a program's folder that needs a home when the
    // user has none, and for a machine's file that is not the machine's.
    static Instalacao carrega();
    // The same with the policies given ("servidor/ip" → text) in place of
    // the system's.
    static Instalacao carrega(const QHash<QString, QString> &politicas);

    // The key `nome` of the table (an unknown one is empty, from the
    // default).
    Valor valor(const QString &nome) const;
    // Where the key's value comes from, for the diagnosis: "política
    // HKLM\SOFTWARE\Policies\TAVO Upload\servidor", "variável de
    // ambiente TAVO_ROOT", "arquivo do usuário <file>", "arquivo do sistema
    // <file>"; empty for the default.
    QString origem(const QString &nome) const;
    // The keys a policy gives, in the table's order.
    QStringList dadasPorPolitica() const;

    // The folder of the system-wide files (tavo-upload.conf,
    // escritorios_regionais.tsv): $TAVO_CONF_SISTEMA when set, else the
    // system's (/etc/tavo-upload, %ProgramData%\TAVO Upload).
    const QString &pastaSistema() const { return m_pastaSistema; }
    // The two files, whether or not they exist; the user's is empty when the
    // user has no home.
    const QString &arquivoSistema() const { return m_arquivoSistema; }
    const QString &arquivoUsuario() const { return m_arquivoUsuario; }

    // Host path of the program's folder, and the system's rule that chose it
    // when neither the environment nor a file gives it (empty otherwise, or
    // when the system has a single rule).
    const QString &pastaPrograma() const { return m_pastaPrograma; }
    const QString &regraPastaPrograma() const { return m_regraPastaPrograma; }
    // The folder configured for drive `letra`: TAVO_DRIVE_<LETRA>, else
    // unidades/<letra> (the key in lower or upper case). Empty when neither
    // is given.
    QString pastaUnidade(QChar letra) const;

    // The server settings; nothing when none of the three is given.
    std::optional<ServidorInicial> servidorInicial() const;
    // `servidor/gerenciado`: "sim" (any case) when the site manages the
    // server settings: the ones above are then put into use at every start
    // and the user cannot change them (store/ConfiguracaoGerenciada.h);
    // "não" or "nao", or not given, when the user keeps them. Raises
    // ErroTavo(Erros::ArgumentoInvalido) with the user's message, naming the
    // file, for any other value.
    bool servidorGerenciado() const;
    const OpcoesTransferencia &opcoesTransferencia() const { return m_opcoes; }

    // The program's own bounds of the transfer's waits (the keys' defaults).
    PrazosEspera prazos;

    // Host path of `caminho`: a Windows path with a drive letter is mapped,
    // any other path (one chosen in a file dialog, for instance) is used as
    // it is. Drive X: is the folder configured for it, else the host's own
    // drive X: on Windows, else (Linux) the folder drives/x of the program's
    // folder; "a:\..." lies in disquete().pasta. File names compare without
    // regard to case, as on the original platform: an existing file or
    // folder whose name differs only in case is the one used.
    QString local(const QString &caminho) const;
    // Host path of a file of the program's folder, given as
    // "\UploadCliente.mdb".
    QString naPastaPrograma(const QString &sufixo) const;
    // The local database.
    QString bancoLocal() const;

    // Drive a:, looked for now:
    //  - a folder configured for a:: that folder; a medium is there only
    //    when a file system is mounted at it (an empty folder on the local
    //    disk is no disk);
    //  - otherwise drives/a of the program's folder when that folder exists
    //    (a stand-in drive inside the program's folder, like drives/c);
    //  - otherwise the removable medium the system offers
    //    (Montagens::unidadeRemovivel: on Linux the first mount point
    //    directly under /media/<user>/, /run/media/<user>/ or /media/; on
    //    Windows the PC's A:, else the first removable drive holding a
    //    medium);
    //  - with none, drives/a of the program's folder, and no medium.
    Disquete disquete() const;

private:
    Instalacao() = default;
    QString pastaDaUnidade(QChar letra) const;

    QHash<QString, Valor> m_valores;
    QString m_pastaSistema;
    QString m_arquivoSistema;
    QString m_arquivoUsuario;
    QString m_pastaPrograma;
    QString m_regraPastaPrograma;
    OpcoesTransferencia m_opcoes;
};
