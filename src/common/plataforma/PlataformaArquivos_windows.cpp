#include "common/plataforma/PlataformaArquivos.h"

#include "common/Erro.h"
#include "common/plataforma/ApoioWindows.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <lm.h>
#include <sddl.h>
#include <winioctl.h>

namespace {

using PlataformaWindows::codigoDe;
using PlataformaWindows::ultimoErro;

// Every file is opened so that others may read, write, rename and remove it
// meanwhile, as on Linux.
constexpr DWORD kCompartilha = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The locks are on one byte far beyond any content: a range locked on
// Windows cannot be read or written through other handles, and the lock
// file's content (the holder) must stay readable.
constexpr DWORD kTravaBaixo = 0;
constexpr DWORD kTravaAlto = 0x40000000;

std::wstring nativo(const QString &caminho)
{
    return QDir::toNativeSeparators(caminho).toStdWString();
}

HANDLE handle(qintptr descritor)
{
    return reinterpret_cast<HANDLE>(descritor);
}

int resultado(BOOL ok)
{
    return ok ? 0 : ultimoErro();
}

// What LocalAlloc gave, freed when it goes.
template <typename T> struct Local
{
    T ponteiro = nullptr;
    Local() = default;
    Local(const Local &) = delete;
    Local &operator=(const Local &) = delete;
    ~Local() { ::LocalFree(ponteiro); }
};

// The local Users group: a SID, whatever the system's language calls it.
constexpr wchar_t kUsuarios[] = L"S-1-5-32-545";
// Who else counts as every user of the PC: the authenticated users, everyone.
constexpr const wchar_t *kTodos[] = {kUsuarios, L"S-1-5-11", L"S-1-1-0"};
// icacls' "M": read, write, run and delete.
constexpr DWORD kModificar = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;

// Whether the DACL (null: open to everyone) lets every user of the PC modify
// the folder and what is made inside: the entries that allow, for the Users
// group, the authenticated users or everyone, are added up for the folder,
// for a file made in it and for a folder made in it. A denial is Windows'
// to apply: it is not looked for.
std::optional<bool> usuariosModificamEm(PACL dacl)
{
    if (!dacl)
        return true;
    std::vector<Local<PSID>> todos(std::size(kTodos));
    for (std::size_t i = 0; i < todos.size(); ++i)
        if (!::ConvertStringSidToSidW(kTodos[i], &todos[i].ponteiro))
            return std::nullopt;
    GENERIC_MAPPING mapa{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    DWORD naPasta = 0;
    DWORD nosArquivos = 0;
    DWORD nasPastas = 0;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void *entrada = nullptr;
        if (!::GetAce(dacl, i, &entrada) || static_cast<ACE_HEADER *>(entrada)->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        auto *permite = static_cast<ACCESS_ALLOWED_ACE *>(entrada);
        PSID quem = &permite->SidStart;
        if (std::none_of(todos.begin(), todos.end(),
                         [quem](const Local<PSID> &sid) { return ::EqualSid(quem, sid.ponteiro); }))
            continue;
        DWORD direitos = permite->Mask;
        ::MapGenericMask(&direitos, &mapa);
        const BYTE heranca = permite->Header.AceFlags;
        if (!(heranca & INHERIT_ONLY_ACE))
            naPasta |= direitos;
        if (heranca & OBJECT_INHERIT_ACE)
            nosArquivos |= direitos;
        if (heranca & CONTAINER_INHERIT_ACE)
            nasPastas |= direitos;
    }
    const auto basta = [](DWORD direitos) { return (direitos & kModificar) == kModificar; };
    return basta(naPasta) && basta(nosArquivos) && basta(nasPastas);
}

// The folder's DACL (null: a folder open to everyone), 0 or an error number.
int daclDe(const QString &pasta, PACL &dacl, Local<PSECURITY_DESCRIPTOR> &descritor)
{
    std::wstring caminho = nativo(pasta);
    return codigoDe(::GetNamedSecurityInfoW(caminho.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                            &dacl, nullptr, &descritor.ponteiro));
}

// The file's owner and DACL (a link is followed), read or not.
bool donoEDaclDe(const QString &arquivo, PSID &dono, PACL &dacl, Local<PSECURITY_DESCRIPTOR> &descritor)
{
    std::wstring caminho = nativo(arquivo);
    return ::GetNamedSecurityInfoW(caminho.data(), SE_FILE_OBJECT,
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &dono, nullptr, &dacl,
                                   nullptr, &descritor.ponteiro)
           == ERROR_SUCCESS;
}

OVERLAPPED posicaoDaTrava()
{
    OVERLAPPED posicao{};
    posicao.Offset = kTravaBaixo;
    posicao.OffsetHigh = kTravaAlto;
    return posicao;
}

// Tries the lock once: 0, EWOULDBLOCK while another handle holds it.
int tentaTrava(HANDLE arquivo)
{
    OVERLAPPED posicao = posicaoDaTrava();
    if (::LockFileEx(arquivo, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &posicao))
        return 0;
    const DWORD erro = ::GetLastError();
    return erro == ERROR_LOCK_VIOLATION || erro == ERROR_IO_PENDING ? EWOULDBLOCK : codigoDe(erro);
}

int soltaTrava(HANDLE arquivo)
{
    OVERLAPPED posicao = posicaoDaTrava();
    return resultado(::UnlockFileEx(arquivo, 0, 1, 0, &posicao));
}

// A folder opens too only when asked (FILE_FLAG_BACKUP_SEMANTICS: reading
// one, to flush it); otherwise a folder in a file's place is access denied.
HANDLE abre(const QString &caminho, DWORD acesso, DWORD criacao, bool tambemPasta = false)
{
    return ::CreateFileW(nativo(caminho).c_str(), acesso, kCompartilha, nullptr, criacao,
                         FILE_ATTRIBUTE_NORMAL | (tambemPasta ? FILE_FLAG_BACKUP_SEMANTICS : 0), nullptr);
}

// Links: symbolic links and junctions (reparse points that name another
// path). Another user of the PC may make one where the Users group may
// create files (ProgramData's folders, a shared data folder); the program
// follows one only when this user, the Administrators, SYSTEM or the
// program folder's owner made it (PlataformaArquivos::donoConfiavel).

QMutex g_travaPastaConfiavel;
QString g_pastaConfiavel;

QString pastaConfiavel()
{
    const QMutexLocker guarda(&g_travaPastaConfiavel);
    return g_pastaConfiavel;
}

QString textoDoSid(PSID sid)
{
    Local<LPWSTR> texto;
    if (!sid || !::ConvertSidToStringSidW(sid, &texto.ponteiro))
        return {};
    return QString::fromWCharArray(texto.ponteiro);
}

// The process token's user; empty when it cannot be read (then only the
// system's accounts are trusted).
const QString &sidDoUsuario()
{
    static const QString sid = [] {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
            return QString();
        DWORD tamanho = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &tamanho);
        std::vector<char> dados(std::max<DWORD>(tamanho, sizeof(TOKEN_USER)));
        QString texto;
        if (::GetTokenInformation(token, TokenUser, dados.data(), static_cast<DWORD>(dados.size()), &tamanho))
            texto = textoDoSid(reinterpret_cast<TOKEN_USER *>(dados.data())->User.Sid);
        ::CloseHandle(token);
        return texto;
    }();
    return sid;
}

QString donoDoHandle(HANDLE aberto)
{
    PSID dono = nullptr;
    Local<PSECURITY_DESCRIPTOR> descritor;
    if (::GetSecurityInfo(aberto, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &dono, nullptr, nullptr, nullptr,
                          &descritor.ponteiro)
        != ERROR_SUCCESS)
        return {};
    return textoDoSid(dono);
}

bool confiavel(const QString &sidDono)
{
    if (PlataformaArquivos::donoConfiavel(sidDono, sidDoUsuario(), QString()))
        return true;
    // The program folder's owner is asked only now, when it matters.
    const QString pasta = pastaConfiavel();
    if (pasta.isEmpty())
        return false;
    std::wstring caminho = QDir::toNativeSeparators(pasta).toStdWString();
    PSID dono = nullptr;
    Local<PSECURITY_DESCRIPTOR> descritor;
    if (::GetNamedSecurityInfoW(caminho.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &dono, nullptr, nullptr,
                                nullptr, &descritor.ponteiro)
        != ERROR_SUCCESS)
        return false;
    return PlataformaArquivos::donoConfiavel(sidDono, sidDoUsuario(), textoDoSid(dono));
}

// Whether the account `sid` is a member of the local Administrators group:
// this user by the token's groups (an administrator's token holds the group
// even while UAC keeps it for denials only), another by its local groups.
bool membroDosAdministradores(PSID sid)
{
    Local<PSID> administradores;
    if (!::ConvertStringSidToSidW(L"S-1-5-32-544", &administradores.ponteiro))
        return false;
    if (textoDoSid(sid) == sidDoUsuario()) {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
            return false;
        DWORD tamanho = 0;
        ::GetTokenInformation(token, TokenGroups, nullptr, 0, &tamanho);
        std::vector<char> dados(std::max<DWORD>(tamanho, sizeof(TOKEN_GROUPS)));
        bool membro = false;
        if (::GetTokenInformation(token, TokenGroups, dados.data(), static_cast<DWORD>(dados.size()), &tamanho)) {
            const auto *grupos = reinterpret_cast<const TOKEN_GROUPS *>(dados.data());
            for (DWORD i = 0; i < grupos->GroupCount && !membro; ++i)
                membro = ::EqualSid(grupos->Groups[i].Sid, administradores.ponteiro);
        }
        ::CloseHandle(token);
        return membro;
    }
    wchar_t nome[257];
    wchar_t dominio[257];
    DWORD tamanhoNome = 257;
    DWORD tamanhoDominio = 257;
    SID_NAME_USE uso{};
    if (!::LookupAccountSidW(nullptr, sid, nome, &tamanhoNome, dominio, &tamanhoDominio, &uso))
        return false;
    LPBYTE lista = nullptr;
    DWORD lidos = 0;
    DWORD total = 0;
    if (::NetUserGetLocalGroups(nullptr, nome, 0, LG_INCLUDE_INDIRECT, &lista, MAX_PREFERRED_LENGTH, &lidos, &total)
        != NERR_Success)
        return false;
    bool membro = false;
    const auto *grupos = reinterpret_cast<const LOCALGROUP_USERS_INFO_0 *>(lista);
    for (DWORD i = 0; i < lidos && !membro; ++i) {
        BYTE dadosSid[SECURITY_MAX_SID_SIZE];
        DWORD tamanhoSid = sizeof(dadosSid);
        tamanhoDominio = 257;
        membro =
            ::LookupAccountNameW(nullptr, grupos[i].lgrui0_name, dadosSid, &tamanhoSid, dominio, &tamanhoDominio, &uso)
            && ::EqualSid(dadosSid, administradores.ponteiro);
    }
    ::NetApiBufferFree(lista);
    return membro;
}

// Whether an entry of `dacl` that reaches the file itself allows any of
// `direitos` to an account `alheio` takes for a stranger; nothing when an
// entry cannot be read. Only what allows counts: a denial before it may take
// the right away again, which this reading leaves to the stricter answer. An
// entry only for what is made inside does not reach a file.
template <typename Alheio> std::optional<bool> permiteAAlheio(PACL dacl, DWORD direitos, Alheio alheio)
{
    GENERIC_MAPPING mapa{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void *entrada = nullptr;
        if (!::GetAce(dacl, i, &entrada))
            return std::nullopt;
        const auto *cabecalho = static_cast<ACE_HEADER *>(entrada);
        if (cabecalho->AceType != ACCESS_ALLOWED_ACE_TYPE || (cabecalho->AceFlags & INHERIT_ONLY_ACE))
            continue;
        auto *permite = static_cast<ACCESS_ALLOWED_ACE *>(entrada);
        DWORD concedidos = permite->Mask;
        ::MapGenericMask(&concedidos, &mapa);
        if ((concedidos & direitos) && alheio(static_cast<PSID>(&permite->SidStart)))
            return true;
    }
    return false;
}

// The rule of daMaquina on an owner and a DACL read, with `administrador`
// telling the Administrators' members.
template <typename Administrador> bool daMaquinaEm(PSID dono, bool temDacl, PACL dacl, Administrador administrador)
{
    Local<PSID> sistema;
    Local<PSID> administradores;
    Local<PSID> direitosDoDono;
    if (!::ConvertStringSidToSidW(L"S-1-5-18", &sistema.ponteiro)
        || !::ConvertStringSidToSidW(L"S-1-5-32-544", &administradores.ponteiro)
        || !::ConvertStringSidToSidW(L"S-1-3-4", &direitosDoDono.ponteiro))
        return false;
    const auto daCasa = [&](PSID quem) {
        return ::EqualSid(quem, sistema.ponteiro) || ::EqualSid(quem, administradores.ponteiro) || administrador(quem);
    };
    if (!dono || !daCasa(dono) || !temDacl || !dacl)
        return false;
    // "OWNER RIGHTS" is the owner, already of the house.
    const std::optional<bool> alheio =
        permiteAAlheio(dacl, FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER | DELETE,
                       [&](PSID quem) { return !daCasa(quem) && !::EqualSid(quem, direitosDoDono.ponteiro); });
    return alheio && !*alheio;
}

// The path as Windows itself makes it absolute ("..", "." and the current
// folder or drive resolved by name), with '/' separators.
QString completo(const QString &caminho)
{
    const std::wstring nome = nativo(caminho);
    std::vector<wchar_t> cheio(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetFullPathNameW(nome.c_str(), static_cast<DWORD>(cheio.size()), cheio.data(), nullptr);
        if (n == 0)
            return QDir::fromNativeSeparators(caminho);
        if (n < cheio.size())
            return QDir::fromNativeSeparators(QString::fromWCharArray(cheio.data(), n));
        cheio.resize(n + 1);
    }
}

// An absolute path's root ("C:", "//server/share", "//?/Volume{…}") and
// the names below it.
void divide(const QString &absoluto, QString &raiz, QStringList &nomes)
{
    QStringList partes = absoluto.split(QLatin1Char('/'));
    int daRaiz = 1; // "C:"
    if (absoluto.startsWith(QLatin1String("//?/")) || absoluto.startsWith(QLatin1String("//./")))
        daRaiz = partes.value(3).compare(QLatin1String("UNC"), Qt::CaseInsensitive) == 0 ? 6 : 4;
    else if (absoluto.startsWith(QLatin1String("//")))
        daRaiz = 4;
    raiz = partes.mid(0, daRaiz).join(QLatin1Char('/'));
    nomes.clear();
    for (const QString &nome : partes.mid(daRaiz))
        if (!nome.isEmpty() && nome != QLatin1String("."))
            nomes.append(nome);
}

// A reparse point's data (ntifs.h's REPARSE_DATA_BUFFER, which user-mode
// headers lack): the tag, then for a symbolic link or a junction the
// offsets of the name the system follows.
struct CabecalhoReparse
{
    DWORD tag;
    WORD tamanho;
    WORD reservado;
    WORD substitutoInicio;
    WORD substitutoTamanho;
    WORD exibidoInicio;
    WORD exibidoTamanho;
};
constexpr DWORD kRelativo = 1; // SYMLINK_FLAG_RELATIVE

// The name the system follows, as a path: "\??\C:\x" is "C:/x", "\??\UNC\s\x"
// is "//s/x", a volume's name keeps its "//?/" root; a relative link's
// target stays relative.
QString alvoDe(const std::vector<char> &dados, DWORD lidos)
{
    CabecalhoReparse cabecalho{};
    if (lidos < sizeof cabecalho)
        return {};
    std::memcpy(&cabecalho, dados.data(), sizeof cabecalho);
    std::size_t nomes = sizeof cabecalho; // a junction's names follow its offsets
    DWORD bandeiras = 0;
    if (cabecalho.tag == IO_REPARSE_TAG_SYMLINK) {
        if (lidos < nomes + sizeof bandeiras)
            return {};
        std::memcpy(&bandeiras, dados.data() + nomes, sizeof bandeiras);
        nomes += sizeof bandeiras;
    } else if (cabecalho.tag != IO_REPARSE_TAG_MOUNT_POINT) {
        return {};
    }
    if (nomes + cabecalho.substitutoInicio + cabecalho.substitutoTamanho > lidos)
        return {};
    QString alvo(cabecalho.substitutoTamanho / 2, Qt::Uninitialized);
    std::memcpy(alvo.data(), dados.data() + nomes + cabecalho.substitutoInicio, alvo.size() * 2);
    alvo = QDir::fromNativeSeparators(alvo);
    if (bandeiras & kRelativo)
        return alvo;
    if (alvo.startsWith(QLatin1String("/?"
                                      "?/UNC/"),
                        Qt::CaseInsensitive))
        return QLatin1Char('/') + alvo.mid(7);
    if (alvo.startsWith(QLatin1String("/?"
                                      "?/"))) {
        alvo = alvo.mid(4);
        return alvo.size() >= 2 && alvo.at(1) == QLatin1Char(':') ? alvo : QStringLiteral("//?/") + alvo;
    }
    return alvo;
}

// The reparse point `caminho`, opened as itself: AtalhoAlheio when it is a
// link of someone not trusted (recorded), else 0 with its target in `alvo`
// (null when it names no other path: a file kept in the cloud, say).
int leAtalho(const QString &caminho, QString &alvo)
{
    alvo = QString();
    const HANDLE ponto =
        ::CreateFileW(nativo(caminho).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kCompartilha, nullptr,
                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (ponto == INVALID_HANDLE_VALUE)
        return ultimoErro();
    std::vector<char> dados(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD lidos = 0;
    const bool lido = ::DeviceIoControl(ponto, FSCTL_GET_REPARSE_POINT, nullptr, 0, dados.data(),
                                        static_cast<DWORD>(dados.size()), &lidos, nullptr);
    const DWORD erro = lido ? ERROR_SUCCESS : ::GetLastError();
    DWORD tag = 0;
    if (lido && lidos >= sizeof tag)
        std::memcpy(&tag, dados.data(), sizeof tag);
    // What was opened judges, not the name read a moment before. Where the
    // system cannot read the point as itself (Wine shows a Unix link so,
    // and opens its target), the owner of what it opened is judged.
    const QString dono = lido && !IsReparseTagNameSurrogate(tag) ? QString() : donoDoHandle(ponto);
    ::CloseHandle(ponto);
    if (lido && !IsReparseTagNameSurrogate(tag))
        return 0;
    if (!confiavel(dono)) {
        PlataformaArquivos::registraAtalhoRecusado(QDir::toNativeSeparators(caminho));
        return PlataformaArquivos::AtalhoAlheio;
    }
    if (!lido)
        return erro == ERROR_NOT_A_REPARSE_POINT ? 0 : codigoDe(erro);
    alvo = alvoDe(dados, lidos);
    // A link of a kind not read here is followed by the system as it is.
    return 0;
}

// Walks `caminho` name by name: every link on the way (the last name too
// when `tambemOUltimo`) is judged by its owner and followed to its target,
// whose names are walked in turn. 0, AtalhoAlheio, or the error met; a name
// missing ends the walk with 0 (the call that follows reports it).
// Windows opens by name: a name turned into a link between this walk and
// the call is caught for the last name (abreSeguro opens it as itself),
// not for the folders above it.
int percorre(const QString &caminho, bool tambemOUltimo)
{
    QString raiz;
    QStringList pendentes;
    divide(completo(caminho), raiz, pendentes);
    QString atual = raiz;
    int saltos = 0;
    while (!pendentes.isEmpty()) {
        const QString nome = pendentes.takeFirst();
        if (nome == QLatin1String("."))
            continue;
        if (nome == QLatin1String("..")) {
            if (atual.size() > raiz.size())
                atual.truncate(atual.lastIndexOf(QLatin1Char('/')));
            continue;
        }
        if (pendentes.isEmpty() && !tambemOUltimo)
            return 0;
        const QString proximo = atual + QLatin1Char('/') + nome;
        const DWORD atributos = ::GetFileAttributesW(nativo(proximo).c_str());
        if (atributos == INVALID_FILE_ATTRIBUTES)
            return 0;
        QString alvo;
        if (atributos & FILE_ATTRIBUTE_REPARSE_POINT) {
            if (const int codigo = leAtalho(proximo, alvo))
                return codigo;
        }
        if (alvo.isEmpty()) {
            atual = proximo;
            continue;
        }
        if (++saltos > 40)
            return ELOOP;
        QStringList doAlvo;
        if (QDir::isRelativePath(alvo)) {
            doAlvo = alvo.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        } else {
            divide(alvo, raiz, doAlvo);
            atual = raiz;
        }
        pendentes = doAlvo + pendentes;
    }
    return 0;
}

// Opens `caminho` as abre() does, through trusted links only: 0 with the
// handle, or the error.
int abreSeguro(const QString &caminho, DWORD acesso, DWORD criacao, HANDLE &aberto, bool tambemPasta = false)
{
    aberto = INVALID_HANDLE_VALUE;
    if (const int codigo = percorre(caminho, true))
        return codigo;
    // The last name is opened as itself: a link there (one put there since
    // the walk) is walked again, and followed only when trusted.
    const DWORD bandeiras = FILE_FLAG_OPEN_REPARSE_POINT | (tambemPasta ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    HANDLE comoEsta = ::CreateFileW(nativo(caminho).c_str(), acesso, kCompartilha, nullptr, criacao,
                                    FILE_ATTRIBUTE_NORMAL | bandeiras, nullptr);
    if (comoEsta == INVALID_HANDLE_VALUE)
        return ultimoErro();
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(comoEsta, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        aberto = comoEsta;
        return 0;
    }
    ::CloseHandle(comoEsta);
    if (const int codigo = percorre(caminho, true))
        return codigo;
    aberto = abre(caminho, acesso, criacao, tambemPasta);
    return aberto == INVALID_HANDLE_VALUE ? ultimoErro() : 0;
}

qint64 nanossegundos(const FILETIME &hora)
{
    // 100 ns intervals since 1601-01-01 UTC.
    const qint64 desde1601 = (qint64(hora.dwHighDateTime) << 32) | hora.dwLowDateTime;
    return (desde1601 - 116444736000000000LL) * 100;
}

PlataformaArquivos::Identidade identidadeDe(const BY_HANDLE_FILE_INFORMATION &info)
{
    return {info.dwVolumeSerialNumber, (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
            (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow, nanossegundos(info.ftLastWriteTime)};
}

ErroTavo falha(const QString &caminho, int codigo)
{
    return ErroTavo(Erros::FalhaArquivo,
                    QStringLiteral("%1: %2").arg(caminho, PlataformaArquivos::textoDoSistema(codigo)));
}

// The current position of the file, kept around a read or write at a given
// offset (which moves it on Windows).
qint64 posicaoAtual(HANDLE arquivo)
{
    LARGE_INTEGER zero{};
    LARGE_INTEGER atual{};
    ::SetFilePointerEx(arquivo, zero, &atual, FILE_CURRENT);
    return atual.QuadPart;
}

void voltaPara(HANDLE arquivo, qint64 posicao)
{
    LARGE_INTEGER destino{};
    destino.QuadPart = posicao;
    ::SetFilePointerEx(arquivo, destino, nullptr, FILE_BEGIN);
}

// Writes all `tamanho` bytes, at `posicao` when given: 0, or the error.
int escreveTudo(HANDLE arquivo, const char *dados, qint64 tamanho, std::optional<qint64> posicao)
{
    qint64 feitos = 0;
    while (feitos < tamanho) {
        const DWORD parte = static_cast<DWORD>(qMin<qint64>(tamanho - feitos, 1 << 30));
        DWORD escritos = 0;
        OVERLAPPED onde{};
        if (posicao) {
            const qint64 alvo = *posicao + feitos;
            onde.Offset = static_cast<DWORD>(alvo & 0xffffffff);
            onde.OffsetHigh = static_cast<DWORD>(alvo >> 32);
        }
        if (!::WriteFile(arquivo, dados + feitos, parte, &escritos, posicao ? &onde : nullptr))
            return ultimoErro();
        if (escritos == 0)
            return EIO;
        feitos += escritos;
    }
    return 0;
}

void sincroniza(const QString &caminho)
{
    // A folder's entries are the file system's journal's to keep (the
    // renames ask for it: MOVEFILE_WRITE_THROUGH); a file is flushed.
    if (QFileInfo(caminho).isDir())
        return;
    HANDLE arquivo = INVALID_HANDLE_VALUE;
    if (const int codigo = abreSeguro(caminho, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, arquivo))
        throw falha(caminho, codigo);
    const int codigo = resultado(::FlushFileBuffers(arquivo));
    ::CloseHandle(arquivo);
    if (codigo != 0)
        throw falha(caminho, codigo);
}

} // namespace

namespace PlataformaArquivos {

Arquivo::~Arquivo()
{
    if (aberto())
        ::CloseHandle(handle(m_descritor));
}

Arquivo::Arquivo(Arquivo &&outro) noexcept
    : m_descritor(outro.m_descritor)
    , m_acrescimo(outro.m_acrescimo)
{
    outro.m_descritor = -1;
}

Arquivo &Arquivo::operator=(Arquivo &&outro) noexcept
{
    if (this != &outro) {
        if (aberto())
            ::CloseHandle(handle(m_descritor));
        m_descritor = outro.m_descritor;
        m_acrescimo = outro.m_acrescimo;
        outro.m_descritor = -1;
    }
    return *this;
}

int Arquivo::abreLeitura(const QString &caminho)
{
    *this = Arquivo();
    HANDLE aberto = INVALID_HANDLE_VALUE;
    if (const int codigo = abreSeguro(caminho, GENERIC_READ, OPEN_EXISTING, aberto, true))
        return codigo;
    m_descritor = reinterpret_cast<qintptr>(aberto);
    return 0;
}

int Arquivo::criaNovo(const QString &caminho, Acesso)
{
    *this = Arquivo();
    // A name taken, a link included, is never followed: CREATE_NEW fails.
    if (const int codigo = percorre(caminho, false))
        return codigo;
    const HANDLE aberto = abre(caminho, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    if (aberto == INVALID_HANDLE_VALUE)
        return ultimoErro();
    m_descritor = reinterpret_cast<qintptr>(aberto);
    return 0;
}

int Arquivo::abreTrava(const QString &caminho, const QByteArray &conteudo)
{
    *this = Arquivo();
    HANDLE aberto = INVALID_HANDLE_VALUE;
    int aberturaFalhou = abreSeguro(caminho, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, aberto);
    // A lock file another user left opens for reading only; its lock is
    // taken all the same.
    if (aberturaFalhou == EACCES)
        aberturaFalhou = abreSeguro(caminho, GENERIC_READ, OPEN_EXISTING, aberto);
    if (aberturaFalhou)
        return aberturaFalhou;
    m_descritor = reinterpret_cast<qintptr>(aberto);
    if (const int codigo = tentaTrava(aberto)) {
        *this = Arquivo();
        return codigo;
    }
    if (::SetEndOfFile(aberto))
        escreve(conteudo.constData(), conteudo.size());
    return 0;
}

void Arquivo::largaTrava(const QString &)
{
    fecha();
}

int Arquivo::le(char *dados, qint64 tamanho, qint64 &lidos)
{
    DWORD n = 0;
    const BOOL ok =
        ::ReadFile(handle(m_descritor), dados, static_cast<DWORD>(qMin<qint64>(tamanho, 1 << 30)), &n, nullptr);
    lidos = ok ? n : 0;
    // A pipe whose writer is gone ends like a file.
    if (!ok && ::GetLastError() == ERROR_BROKEN_PIPE)
        return 0;
    return resultado(ok);
}

int Arquivo::leEm(qint64 posicao, char *dados, qint64 tamanho, qint64 &lidos)
{
    const HANDLE arquivo = handle(m_descritor);
    const qint64 antes = posicaoAtual(arquivo);
    OVERLAPPED onde{};
    onde.Offset = static_cast<DWORD>(posicao & 0xffffffff);
    onde.OffsetHigh = static_cast<DWORD>(posicao >> 32);
    DWORD n = 0;
    const BOOL ok = ::ReadFile(arquivo, dados, static_cast<DWORD>(qMin<qint64>(tamanho, 1 << 30)), &n, &onde);
    const int codigo = ok || ::GetLastError() == ERROR_HANDLE_EOF ? 0 : ultimoErro();
    voltaPara(arquivo, antes);
    lidos = codigo == 0 ? n : 0;
    return codigo;
}

int Arquivo::escreve(const char *dados, qint64 tamanho)
{
    // Appending: each write goes to the end as it is now (an offset of all
    // ones), wherever the other processes left it.
    if (m_acrescimo)
        return escreveTudo(handle(m_descritor), dados, tamanho, qint64(-1));
    return escreveNoDescritor(m_descritor, dados, tamanho);
}

int escreveNoDescritor(qintptr descritor, const char *dados, qint64 tamanho)
{
    return escreveTudo(handle(descritor), dados, tamanho, std::nullopt);
}

int Arquivo::escreveEm(qint64 posicao, const char *dados, qint64 tamanho)
{
    const HANDLE arquivo = handle(m_descritor);
    const qint64 antes = posicaoAtual(arquivo);
    const int codigo = escreveTudo(arquivo, dados, tamanho, posicao);
    voltaPara(arquivo, antes);
    return codigo;
}

int Arquivo::descarrega()
{
    if (::FlushFileBuffers(handle(m_descritor)))
        return 0;
    // A handle opened for reading has nothing of its own pending; a device
    // or a console cannot be flushed.
    const DWORD erro = ::GetLastError();
    return erro == ERROR_ACCESS_DENIED || erro == ERROR_INVALID_HANDLE || erro == ERROR_INVALID_FUNCTION
               ? 0
               : codigoDe(erro);
}

int Arquivo::fecha()
{
    const HANDLE arquivo = handle(m_descritor);
    m_descritor = -1;
    return resultado(::CloseHandle(arquivo));
}

int Arquivo::abreAcrescimo(const QString &caminho)
{
    *this = Arquivo();
    HANDLE aberto = INVALID_HANDLE_VALUE;
    if (const int codigo = abreSeguro(caminho, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, aberto))
        return codigo;
    m_descritor = reinterpret_cast<qintptr>(aberto);
    m_acrescimo = true;
    return 0;
}

int Arquivo::trava(std::chrono::milliseconds limite)
{
    // Asked again a millisecond apart until the bound passes: a holder keeps
    // the lock for one write.
    const auto prazo = std::chrono::steady_clock::now() + limite;
    for (;;) {
        const int codigo = tentaTrava(handle(m_descritor));
        if (codigo != EWOULDBLOCK || std::chrono::steady_clock::now() >= prazo)
            return codigo;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int Arquivo::destrava()
{
    return soltaTrava(handle(m_descritor));
}

int Arquivo::trunca(qint64 tamanho)
{
    const HANDLE arquivo = handle(m_descritor);
    const qint64 antes = posicaoAtual(arquivo);
    voltaPara(arquivo, tamanho);
    const int codigo = resultado(::SetEndOfFile(arquivo));
    voltaPara(arquivo, qMin(antes, tamanho));
    return codigo;
}

int Arquivo::identidade(Identidade &resultado) const
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle(m_descritor), &info))
        return ultimoErro();
    resultado = identidadeDe(info);
    return 0;
}

int criaPasta(const QString &pasta)
{
    if (const int codigo = percorre(pasta, false))
        return codigo;
    return resultado(::CreateDirectoryW(nativo(pasta).c_str(), nullptr));
}

// A folder shared by the PC's users gets its rights from its ACL, which
// what is made inside inherits: nothing to do per file, but for refusing a
// path through another user's link as Linux does, and the read-only
// attribute.
int ajustaAcesso(const QString &caminho, bool somenteLeitura)
{
    if (const int codigo = percorre(caminho, true); codigo != 0 || !somenteLeitura)
        return codigo;
    const std::wstring nome = nativo(caminho);
    const DWORD atributos = ::GetFileAttributesW(nome.c_str());
    if (atributos == INVALID_FILE_ATTRIBUTES)
        return ultimoErro();
    return resultado(::SetFileAttributesW(nome.c_str(), atributos | FILE_ATTRIBUTE_READONLY));
}

int confere(const QString &caminho)
{
    return percorre(caminho, true);
}

void definePastaConfiavel(const QString &pasta)
{
    const QMutexLocker guarda(&g_travaPastaConfiavel);
    g_pastaConfiavel = pasta;
}

bool pastaDeGrupo(const QString &)
{
    return false;
}

void mascaraDeGrupo()
{
}

int concedeAosUsuarios(const QString &pasta)
{
    // SetNamedSecurityInfoW follows links: the ACL of another user's target
    // is not this program's to widen.
    if (const int codigo = percorre(pasta, true))
        return codigo;
    Local<PSID> usuarios;
    if (!::ConvertStringSidToSidW(kUsuarios, &usuarios.ponteiro))
        return ultimoErro();
    PACL atual = nullptr;
    Local<PSECURITY_DESCRIPTOR> descritor;
    if (const int codigo = daclDe(pasta, atual, descritor))
        return codigo;
    EXPLICIT_ACCESSW acesso{};
    acesso.grfAccessPermissions = kModificar;
    acesso.grfAccessMode = GRANT_ACCESS;
    acesso.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    acesso.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    acesso.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    acesso.Trustee.ptstrName = static_cast<LPWSTR>(usuarios.ponteiro);
    Local<PACL> nova;
    if (const DWORD erro = ::SetEntriesInAclW(1, &acesso, atual, &nova.ponteiro))
        return codigoDe(erro);
    // What the folder inherits from above stays.
    std::wstring caminho = nativo(pasta);
    return codigoDe(::SetNamedSecurityInfoW(caminho.data(), SE_FILE_OBJECT,
                                            DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                            nullptr, nova.ponteiro, nullptr));
}

std::optional<bool> usuariosModificam(const QString &pasta)
{
    PACL dacl = nullptr;
    Local<PSECURITY_DESCRIPTOR> descritor;
    if (daclDe(pasta, dacl, descritor) != 0)
        return std::nullopt;
    return usuariosModificamEm(dacl);
}

bool daMaquina(const QString &arquivo)
{
    PSID dono = nullptr;
    PACL dacl = nullptr;
    Local<PSECURITY_DESCRIPTOR> descritor;
    return donoEDaclDe(arquivo, dono, dacl, descritor) && daMaquinaEm(dono, true, dacl, membroDosAdministradores);
}

std::optional<bool> daMaquinaNoDescritor(const QString &sddl, const QStringList &administradores)
{
    Local<PSECURITY_DESCRIPTOR> descritor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(reinterpret_cast<LPCWSTR>(sddl.utf16()),
                                                                SDDL_REVISION_1, &descritor.ponteiro, nullptr))
        return std::nullopt;
    PSID dono = nullptr;
    BOOL padrao = FALSE;
    BOOL tem = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorOwner(descritor.ponteiro, &dono, &padrao)
        || !::GetSecurityDescriptorDacl(descritor.ponteiro, &tem, &dacl, &padrao))
        return std::nullopt;
    return daMaquinaEm(dono, tem, dacl, [&administradores](PSID quem) {
        return administradores.contains(textoDoSid(quem), Qt::CaseInsensitive);
    });
}

std::optional<bool> usuariosModificamNaAcl(const QString &sddl)
{
    Local<PSECURITY_DESCRIPTOR> descritor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(reinterpret_cast<LPCWSTR>(sddl.utf16()),
                                                                SDDL_REVISION_1, &descritor.ponteiro, nullptr))
        return std::nullopt;
    BOOL tem = FALSE;
    BOOL padrao = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descritor.ponteiro, &tem, &dacl, &padrao))
        return std::nullopt;
    return usuariosModificamEm(tem ? dacl : nullptr);
}

QString comandoQueConcede(const QString &pasta)
{
    return QStringLiteral("icacls \"%1\" /grant *%2:(OI)(CI)M")
        .arg(QDir::toNativeSeparators(pasta), QString::fromWCharArray(kUsuarios));
}

bool outrosPodemLer(const QString &arquivo)
{
    PSID dono = nullptr;
    PACL dacl = nullptr;
    Local<PSECURITY_DESCRIPTOR> descritor;
    if (!donoEDaclDe(arquivo, dono, dacl, descritor))
        return true;
    if (!dacl)
        return true; // a NULL DACL: open to everyone
    Local<PSID> sistema;
    Local<PSID> administradores;
    if (!::ConvertStringSidToSidW(L"S-1-5-18", &sistema.ponteiro)
        || !::ConvertStringSidToSidW(L"S-1-5-32-544", &administradores.ponteiro))
        return true;
    return permiteAAlheio(dacl, FILE_READ_DATA,
                          [&](PSID quem) {
                              return !(dono && ::EqualSid(quem, dono)) && !::EqualSid(quem, sistema.ponteiro)
                                     && !::EqualSid(quem, administradores.ponteiro);
                          })
        .value_or(true);
}

int igualaLeitores(const QString &arquivo, const QString &modelo)
{
    // Both read and changed through handles opened past trusted links only.
    HANDLE deModelo = INVALID_HANDLE_VALUE;
    if (const int codigo = abreSeguro(modelo, READ_CONTROL, OPEN_EXISTING, deModelo))
        return codigo;
    PACL dacl = nullptr;
    Local<PSECURITY_DESCRIPTOR> descritor;
    const DWORD lido = ::GetSecurityInfo(deModelo, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                         nullptr, &descritor.ponteiro);
    ::CloseHandle(deModelo);
    if (lido != ERROR_SUCCESS)
        return codigoDe(lido);
    // The model's entries, inherited ones included, become the file's own
    // (marked inherited, Windows would drop them); nothing its folder holds
    // reaches it any more. A NULL DACL (everyone) stays one.
    std::vector<char> copia(dacl ? dacl->AclSize : 0);
    PACL propria = nullptr;
    if (dacl) {
        std::memcpy(copia.data(), dacl, copia.size());
        propria = reinterpret_cast<PACL>(copia.data());
        for (DWORD i = 0; i < propria->AceCount; ++i) {
            void *entrada = nullptr;
            if (!::GetAce(propria, i, &entrada))
                return ultimoErro();
            static_cast<ACE_HEADER *>(entrada)->AceFlags &= ~INHERITED_ACE;
        }
    }
    // This user, who read the database to make the package, keeps reading,
    // replacing and deleting it: a database the Users group may only read
    // would otherwise give a package its own maker cannot remove.
    Local<PSID> usuario;
    Local<PACL> comUsuario;
    if (propria) {
        if (!::ConvertStringSidToSidW(reinterpret_cast<LPCWSTR>(sidDoUsuario().utf16()), &usuario.ponteiro))
            return ultimoErro();
        EXPLICIT_ACCESSW acesso{};
        acesso.grfAccessPermissions = kModificar | WRITE_DAC;
        acesso.grfAccessMode = GRANT_ACCESS;
        acesso.grfInheritance = NO_INHERITANCE;
        acesso.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        acesso.Trustee.TrusteeType = TRUSTEE_IS_USER;
        acesso.Trustee.ptstrName = static_cast<LPWSTR>(usuario.ponteiro);
        if (const DWORD erro = ::SetEntriesInAclW(1, &acesso, propria, &comUsuario.ponteiro))
            return codigoDe(erro);
        propria = comUsuario.ponteiro;
    }
    HANDLE alvo = INVALID_HANDLE_VALUE;
    if (const int codigo = abreSeguro(arquivo, READ_CONTROL | WRITE_DAC, OPEN_EXISTING, alvo))
        return codigo;
    const DWORD posto =
        ::SetSecurityInfo(alvo, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                          nullptr, nullptr, propria, nullptr);
    ::CloseHandle(alvo);
    if (posto != ERROR_SUCCESS)
        return codigoDe(posto);
    // What the file system made of it is read back: a file others may still
    // read when the model keeps them out is no success (Wine, which keeps
    // only a Unix mode, gave 0775 for a DACL of SYSTEM and the owner).
    return outrosPodemLer(arquivo) && !outrosPodemLer(modelo) ? ENOTSUP : 0;
}

bool somenteLeitura(const QString &caminho)
{
    if (percorre(caminho, true) != 0)
        return false;
    const DWORD atributos = ::GetFileAttributesW(nativo(caminho).c_str());
    return atributos != INVALID_FILE_ATTRIBUTES && (atributos & FILE_ATTRIBUTE_READONLY)
           && !(atributos & FILE_ATTRIBUTE_DIRECTORY);
}

int removeArquivo(const QString &caminho)
{
    if (const int codigo = percorre(caminho, false))
        return codigo;
    // The name itself goes (DeleteFileW removes a link to a file as such).
    const std::wstring nome = nativo(caminho);
    const DWORD atributos = ::GetFileAttributesW(nome.c_str());
    const DWORD pastaLigada = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if (atributos == INVALID_FILE_ATTRIBUTES || (atributos & pastaLigada) != pastaLigada)
        return resultado(::DeleteFileW(nome.c_str()));
    // A link to a folder or a junction is a folder to Windows: it is removed
    // through a handle on the link itself, never on the folder it points to.
    // Where the system opens that folder instead (Wine shows a Unix link so,
    // and its RemoveDirectoryW removes the empty folder pointed to), nothing
    // is removed: EPERM.
    const HANDLE ponto =
        ::CreateFileW(nome.c_str(), DELETE | FILE_READ_ATTRIBUTES, kCompartilha, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (ponto == INVALID_HANDLE_VALUE)
        return ultimoErro();
    BY_HANDLE_FILE_INFORMATION info{};
    int codigo = EPERM;
    if (::GetFileInformationByHandle(ponto, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        FILE_DISPOSITION_INFO apaga{TRUE};
        codigo = resultado(::SetFileInformationByHandle(ponto, FileDispositionInfo, &apaga, sizeof apaga));
    }
    ::CloseHandle(ponto);
    return codigo;
}

int identidade(const QString &caminho, Identidade &resultado)
{
    Arquivo arquivo;
    if (const int codigo = arquivo.abreLeitura(caminho))
        return codigo;
    return arquivo.identidade(resultado);
}

// A rename moves and replaces names, links as themselves: only the folders
// on the way are walked, once when both names are in the same one.
namespace {
int percorreAmbas(const QString &novo, const QString &destino)
{
    if (const int codigo = percorre(novo, false))
        return codigo;
    return QFileInfo(novo).path() == QFileInfo(destino).path() ? 0 : percorre(destino, false);
}
} // namespace

int renomeia(const QString &novo, const QString &destino)
{
    if (const int codigo = percorreAmbas(novo, destino))
        return codigo;
    return resultado(::MoveFileExW(nativo(novo).c_str(), nativo(destino).c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

int renomeiaSemSubstituir(const QString &novo, const QString &destino)
{
    if (const int codigo = percorreAmbas(novo, destino))
        return codigo;
    return resultado(::MoveFileExW(nativo(novo).c_str(), nativo(destino).c_str(), MOVEFILE_WRITE_THROUGH));
}

int segundoNome(const QString &arquivo, const QString &outro)
{
    if (const int codigo = percorre(arquivo, true))
        return codigo;
    if (const int codigo = percorre(outro, false))
        return codigo;
    return resultado(::CreateHardLinkW(nativo(outro).c_str(), nativo(arquivo).c_str(), nullptr));
}

qint64 limiteArquivosAbertos()
{
    return 0; // handles have no per-process limit a program meets
}

bool podeGravar(const QString &pasta)
{
    // Windows' rights are an ACL: a file made and removed at once says it.
    const QString teste = QDir(pasta).filePath(
        QStringLiteral(".tavo-gravacao-%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
    const HANDLE arquivo = ::CreateFileW(nativo(teste).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (arquivo == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(arquivo);
    return true;
}

void descarrega(const QString &caminho)
{
    sincroniza(caminho);
}

void substitui(const QString &novo, const QString &destino)
{
    // A file another process has open without delete sharing (a console
    // command reading the database, an antivirus scan) cannot be replaced
    // until it lets go; such a reader keeps it for moments. One that keeps
    // it longer (the office's own application) gets the refusal.
    constexpr auto kEspera = std::chrono::seconds(5);
    const auto prazo = std::chrono::steady_clock::now() + kEspera;
    for (;;) {
        const int codigo = renomeia(novo, destino);
        if (codigo == 0)
            return;
        // EBUSY: a sharing violation; EACCES: the file is open to be removed.
        if ((codigo != EBUSY && codigo != EACCES) || std::chrono::steady_clock::now() >= prazo)
            throw falha(destino, codigo);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::optional<qint64> donoDaTrava(const QString &caminho)
{
    HANDLE aberto = INVALID_HANDLE_VALUE;
    if (abreSeguro(caminho, GENERIC_READ, OPEN_EXISTING, aberto) != 0)
        return std::nullopt;
    std::optional<qint64> dono;
    if (tentaTrava(aberto) == 0) {
        soltaTrava(aberto);
    } else {
        char inicio[64] = {};
        DWORD lidos = 0;
        if (::ReadFile(aberto, inicio, sizeof inicio - 1, &lidos, nullptr)) {
            bool ok = false;
            const qint64 processo = QByteArray(inicio, lidos).split('\n').value(0).trimmed().toLongLong(&ok);
            if (ok && processo > 0)
                dono = processo;
        }
    }
    ::CloseHandle(aberto);
    return dono;
}

} // namespace PlataformaArquivos
