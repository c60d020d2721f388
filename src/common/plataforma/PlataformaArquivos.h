#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <QtGlobal>
#include <optional>

#include <chrono>

// The file-system calls the program makes itself, where Qt's files would
// hide what the program reports: the system's error number (a full disk, a
// write-protected medium and a missing folder each have their own message),
// creating a file only under a name not taken, writing a file through to its
// medium, putting a new file in place of an old one in one step.
//
// Error numbers are those of <cerrno> (ENOSPC, EACCES, …): the functions and
// the handle below answer with one, 0 when the call succeeded, and causa()
// says what the program makes of it. On Windows the system's own error
// (GetLastError) is translated here: a full disk ENOSPC, a write-protected
// medium EROFS, a drive not ready ENXIO, a file in use EBUSY, access denied
// EACCES, a lock held EWOULDBLOCK.
//
// Several people may share a PC and the program's folders. A name where the
// program works may have been turned into a symbolic link (a reparse point
// on Windows) by another of them, to make the program truncate, expose or
// delete a file of whoever runs it. Every call below that takes a path
// follows a link only when its owner is this user, the system (root; on
// Windows SYSTEM or the Administrators group) or the owner of the program's
// folder (definePastaConfiavel), and fails with AtalhoAlheio otherwise,
// before anything is written or deleted; atalhoRecusado() names the link.
// A link itself is removed as a link, never what it points to.
namespace PlataformaArquivos {

// The error number of a path through another user's link (no system uses it).
inline constexpr int AtalhoAlheio = -1001;
// The absolute path of the last link refused (by any thread), and how many
// were refused since the start, but for those refused while an
// AtalhosNaoContam lived on the same thread (a log that goes on without its
// file): whoever fails after a refusal knows it was the cause.
QString atalhoRecusado();
quint64 recusasDeAtalho();
void registraAtalhoRecusado(const QString &caminho);
class AtalhosNaoContam
{
public:
    AtalhosNaoContam();
    ~AtalhosNaoContam();
    AtalhosNaoContam(const AtalhosNaoContam &) = delete;
    AtalhosNaoContam &operator=(const AtalhosNaoContam &) = delete;

private:
    bool m_antes;
};
// The program's folder (the installation's, set when it is loaded): its
// owner's links are followed too (IT moving a folder to another disk). Its
// owner is asked only when a link of another user turns up.
void definePastaConfiavel(const QString &pasta);
// The owners whose links Windows follows, as SID text: this user
// (`sidUsuario`, the process token's), the Administrators group
// (S-1-5-32-544), SYSTEM (S-1-5-18) or the program folder's owner
// (`sidDonoPasta`, empty while not asked). Not the Users group nor everyone:
// any of them may have made it.
bool donoConfiavel(const QString &sidDono, const QString &sidUsuario, const QString &sidDonoPasta);
// 0 when nothing of `caminho` that exists is another user's link (or the
// error met on the way: AtalhoAlheio, say), for a path another library
// opens (the database engine, the ZIP library). A missing name is 0.
int confere(const QString &caminho);

// Tells one state of a file from another: the file itself (its device and
// number; a file put in its place under the same name has others), its size
// and the time of its last change to the nanosecond.
struct Identidade
{
    quint64 dispositivo = 0;
    quint64 numero = 0;
    qint64 tamanho = 0;
    qint64 modificadoNs = 0; // since 1970-01-01 UTC
    friend bool operator==(const Identidade &, const Identidade &) = default;
    // The same file, whatever happened to its content since.
    bool mesmoArquivo(const Identidade &outra) const
    {
        return dispositivo == outra.dispositivo && numero == outra.numero;
    }
};

// An open file, closed by its destructor on every way out. Moving hands the
// file over; the moved-from handle holds none.
class Arquivo
{
public:
    Arquivo() = default;
    ~Arquivo();
    Arquivo(Arquivo &&outro) noexcept;
    Arquivo &operator=(Arquivo &&outro) noexcept;
    Arquivo(const Arquivo &) = delete;
    Arquivo &operator=(const Arquivo &) = delete;

    // Opens an existing file for reading.
    int abreLeitura(const QString &caminho);
    // Creates the file for writing. A name already taken fails with EEXIST
    // and that file is left as it was. A file of the program's own is kept
    // from the PC's other accounts (see ajustaAcesso); one on removable
    // media follows the medium's own rules.
    enum class Acesso { Privado, DaMidia };
    int criaNovo(const QString &caminho, Acesso acesso = Acesso::Privado);
    // Opens the lock file `caminho`, made when missing, and takes its lock
    // for this open file alone, without waiting: EWOULDBLOCK when another
    // open file holds it (another process, or another lock taken in this
    // one). A file this user may not write (another user's) is opened for
    // reading, which locks as well. The lock taken, the file's content
    // becomes `conteudo` (what others are told about the holder; a write
    // that fails is not reported).
    // The system lets go of the lock when the file is closed or the process
    // ends, however it ends. Nothing is written through to the medium.
    // On Windows the lock is on a byte range beyond the content (a locked
    // range cannot even be read there), so others still read the holder.
    int abreTrava(const QString &caminho, const QByteArray &conteudo);
    // Lets go of the lock taken by abreTrava() on `caminho`: on Linux the
    // file is removed while still held (the next client finds no file of a
    // client gone), then closed; on Windows, where a file removed while open
    // blocks its name until closed, it is only closed.
    void largaTrava(const QString &caminho);
    bool aberto() const { return m_descritor >= 0; }

    // Reads at most `tamanho` bytes from the current position; `lidos` is 0
    // at the end of the file.
    int le(char *dados, qint64 tamanho, qint64 &lidos);
    // Reads at most `tamanho` bytes at `posicao`; the current position stays.
    int leEm(qint64 posicao, char *dados, qint64 tamanho, qint64 &lidos);
    // Writes all `tamanho` bytes, or fails.
    int escreve(const char *dados, qint64 tamanho);
    // Writes all `tamanho` bytes at `posicao`, or fails; the current
    // position stays.
    int escreveEm(qint64 posicao, const char *dados, qint64 tamanho);
    // Writes the file's content through to its medium. A medium that cannot
    // do it (a device, some network file systems) has nothing pending: 0.
    int descarrega();
    // Closes the file; a write the system deferred may fail only here.
    int fecha();
    // The identity of the open file, whatever its name now is.
    int identidade(Identidade &resultado) const;

    // A file several processes append to (the log):
    // Opens the file for appending, made when missing: every write goes to
    // its end, wherever the others left it.
    int abreAcrescimo(const QString &caminho);
    // Takes the lock of this open file, waiting at most `limite` while
    // another open file holds it: EWOULDBLOCK when it did not come in time.
    // Closing the file lets go of it too.
    int trava(std::chrono::milliseconds limite);
    int destrava();
    // Cuts the file to `tamanho` bytes.
    int trunca(qint64 tamanho);

private:
    qintptr m_descritor = -1; // a descriptor, or Windows' HANDLE
    bool m_acrescimo = false; // opened by abreAcrescimo()
};

// Writes all `tamanho` bytes to the open descriptor `descritor`, which stays
// open (a standard stream, say), or fails.
int escreveNoDescritor(qintptr descritor, const char *dados, qint64 tamanho);

// What a system error number means to the program.
enum class Causa {
    SemEspaco,        // the disk or the user's quota is full, or the file too large for it
    GravacaoRecusada, // no permission, or a read-only medium
    EmUso,            // the file or the device is busy
    Ausente,          // the file or a folder of its path does not exist
    AtalhoAlheio,     // a link of another user on the way
    Outra
};
Causa causa(int codigo);

// The system's own text for an error number.
QString textoDoSistema(int codigo);

// Creates the folder `pasta` (the one above must exist); EEXIST when the
// name is taken, by a folder or anything else.
int criaPasta(const QString &pasta);

// The school's data are readable only by those who may read the school
// database. The files this layer makes (criaNovo, abreTrava, abreAcrescimo)
// are their owner's alone (0600), whatever the umask; in a folder shared by
// a group, one with the set-group-ID bit (chmod g+s), whose group is the
// people who handle the school's data, they take that group and its read
// and write (0660), and a folder made there (criaPasta) the group's rights.
// Others make files too (the database engine, Qt):
//  - ajustaAcesso() does the same for the file or folder `caminho` of this
//    user (one of another user is left alone), on what it opened, never
//    through a name: 0, or an error number; `somenteLeitura` makes a file
//    read-only as well;
//  - mascaraDeGrupo() lets the group write whatever the process makes from
//    then on (the umask without its group-write bit), for a program whose
//    folder is shared.
// On Windows the folder's ACL (inherited) is the rule, and these do nothing.
int ajustaAcesso(const QString &caminho, bool somenteLeitura = false);
bool pastaDeGrupo(const QString &pasta);
void mascaraDeGrupo();

// Windows shares a folder among the PC's users by its ACL instead: the local
// Users group (S-1-5-32-545) may modify it, and what is made inside inherits
// that right (the counterpart of the set-group-ID folder).
//  - concedeAosUsuarios() adds that right to the folder's ACL: 0, or an
//    error number (EACCES: this user may not change it);
//  - usuariosModificam() says whether the folder has it, from an entry for
//    the Users group, the authenticated users or everyone that reaches the
//    folder and what is made inside; nothing where the ACL cannot be read,
//    or the system shares folders by their group (Linux, where both do
//    nothing);
//  - comandoQueConcede() is the line an administrator runs to mend it.
//  - usuariosModificamNaAcl() is the same reading of an ACL given as SDDL
//    text (what Windows' tools show), for a check made elsewhere.
int concedeAosUsuarios(const QString &pasta);
std::optional<bool> usuariosModificam(const QString &pasta);
std::optional<bool> usuariosModificamNaAcl(const QString &sddl);
QString comandoQueConcede(const QString &pasta);

// Whether any account but the file's owner may read the file `arquivo` (a
// link is followed): on Linux, any group or other permission bit set; on
// Windows, an entry of its DACL that lets anyone but the owner, SYSTEM
// (S-1-5-18) and the Administrators (S-1-5-32-544) read its content, a NULL
// DACL letting everyone. True as well when that cannot be told: a file
// whose readers are not known keeps no secret.
bool outrosPodemLer(const QString &arquivo);

// Whether the file `arquivo` is the machine's (its configuration, the
// regional offices' list), so that its content may be trusted for every
// user of the PC: on Windows, its owner is SYSTEM (S-1-5-18), the
// Administrators group (S-1-5-32-544) or a member of it, and its DACL lets
// no other account change it (write, append, delete, change its ACL or
// owner), a NULL DACL letting everyone; read from the file at each call.
// On Linux the package installs them in /etc, which only root writes:
// always true.
// daMaquinaNoDescritor() is the same reading of a security descriptor given
// as SDDL text, with `administradores` the SIDs taken as members of the
// Administrators group; nothing when the text is not SDDL.
bool daMaquina(const QString &arquivo);
std::optional<bool> daMaquinaNoDescritor(const QString &sddl, const QStringList &administradores);

// Lets no more accounts read the file `arquivo` than may read the file
// `modelo` (a package, and the school database it holds): on Windows the
// model's DACL becomes the file's own, protected from what its folder
// passes on, with this user (who read the model) free to replace and delete
// it; 0, or an error number. On Linux nothing to do (0): the files
// made for the school's data are their owner's alone, or its group's in a
// shared folder, as the database's readers are.
int igualaLeitores(const QString &arquivo, const QString &modelo);

// True when the file's owner may not write to it: the read-only attribute.
// A name that does not exist, or a link to nothing, is not read-only.
bool somenteLeitura(const QString &caminho);

// Deletes the file (a link itself, not what it points to). Its permissions
// are not looked at: see somenteLeitura().
int removeArquivo(const QString &caminho);

// The identity of the file `caminho` names now (a link is followed).
int identidade(const QString &caminho, Identidade &resultado);

// Gives `novo` the name `destino` in one step, replacing a file there (both
// in the same folder): the name `destino` is never absent.
int renomeia(const QString &novo, const QString &destino);

// Gives `novo` the name `destino` only when that name is free: EEXIST when
// anything has it, a link to nothing included (which is never followed).
int renomeiaSemSubstituir(const QString &novo, const QString &destino);

// Gives the file `arquivo` a second name, `outro` (in the same folder), the
// first one staying: both name the same file. EEXIST when `outro` is taken;
// a file system without second names (FAT) fails with EPERM or ENOTSUP.
int segundoNome(const QString &arquivo, const QString &outro);

// How many files (sockets included) this process may hold open at once;
// 0 when the system sets no such limit.
qint64 limiteArquivosAbertos();

// True when this user may make and remove files in the folder `pasta` (not
// a read-only medium, not another user's folder).
bool podeGravar(const QString &pasta);

// The following raise ErroTavo (Erros::FalhaArquivo with the system's text).

// Writes the file's content through to its medium.
void descarrega(const QString &caminho);

// Puts the file `novo` in place of `destino` in one step, replacing it
// (both in the same folder), and writes the folder through to its medium:
// the name `destino` is never absent, and after a crash it names either
// the old file or the new one.
void substitui(const QString &novo, const QString &destino);

// The process that holds the lock abreTrava() takes on the file `caminho`;
// nothing when none does, or the file or the list cannot be read. Linux
// lists its locks (/proc/locks): nothing is locked to find out. Windows
// does not: the lock's range is tried for a moment, and the holder is the
// process id its file begins with.
std::optional<qint64> donoDaTrava(const QString &caminho);

} // namespace PlataformaArquivos
