#pragma once

#include "common/Erro.h"
#include "common/plataforma/PlataformaArquivos.h"

#include <QByteArray>
#include <QString>

#include <functional>

class Instalacao;

// File helpers shared by package generation, floppy export and package
// selection. Paths are taken in the program's own form ("c:\temp_tavo\x",
// "a:\") or as host paths (a file chosen in a dialog); they are mapped only
// when a file is touched. Failures raise ErroTavo with the numbers the
// windows switch on (see erroDoSistema).

// Copies the file `origem` to `destino`, always replacing. When `destino`
// ends in "\" (or "/") the copy goes into that folder under the source's
// name. The copy is written under a temporary name and renamed into place
// when complete, so a failed copy leaves no partial file behind.
void CopiaArquivo(const Instalacao &instalacao, const QString &origem, const QString &destino);

// CopiaArquivo onto removable media (drive a:). A write the medium refuses
// (write protection, a read-only mount, no permission: EROFS, EACCES, EPERM)
// raises Erros::DiscoCheio, which the export reports as a disk that is full
// or write-protected; a medium no longer there when the copy is complete
// raises Erros::CaminhoNaoEncontrado and leaves no file; failures of the
// source keep their own numbers.
void CopiaParaMidia(const Instalacao &instalacao, const QString &origem, const QString &destino);

// Prepares the working folder "c:\temp_tavo": deletes every file in it
// (read-only files are not forced: they make it fail; a link goes as a link,
// never what it points to), leaves subfolders alone, and creates the folder
// when it is missing. A folder that is another user's link is refused whole. A file given in
// `preservar` (host path) is left in place: the caller is still using it.
void LimpaPastaTemp(const Instalacao &instalacao, const QString &preservar = {});

// Deletes one file; a read-only file is not forced.
void RemoveArquivo(const Instalacao &instalacao, const QString &caminho);

// Reads the file `local` (a host path) to its end in blocks of at most 1 MiB, handing
// each to `aCadaBloco`, so memory stays at one block whatever the file's
// size. Returns the number of bytes read.
qint64 LeEmBlocos(const QString &local, const std::function<void(const char *dados, qint64 tamanho)> &aCadaBloco);

// True when the host path lies directly in the working folder.
bool NaPastaTrabalho(const Instalacao &instalacao, const QString &caminhoLocal);

// The program's error for a failed system call on `caminho`, `codigo` being
// the error number the platform answered with (PlataformaArquivos::causa):
// no space → Erros::DiscoCheio; no access, read-only medium → 75;
// missing folder or path → 76; another user's link on the way → 70, naming
// it; anything else → 57 with the system's text.
ErroTavo erroDoSistema(int codigo, const QString &caminho);

// Creates a new file for writing under a temporary name in the folder of
// `destinoLocal`, a name that sorts after the real names of a file list: 0
// with its name in `temporario`, or the system's error number.
int CriaTemporario(const QString &destinoLocal, PlataformaArquivos::Arquivo &arquivo, QString &temporario,
                   PlataformaArquivos::Arquivo::Acesso acesso = PlataformaArquivos::Arquivo::Acesso::Privado);

// Writes a new file under a temporary name in the target folder and puts it
// in place (replacing any file there) only in conclui(); a write that is not
// concluded is removed. Files but the working folder's (Midia::Trabalho,
// intermediate files made again from their source when lost) are flushed to
// their medium before they are put in place. On Midia::Removivel a refused
// write raises Erros::DiscoCheio (see CopiaParaMidia).
class GravacaoAtomica
{
public:
    enum class Midia {
        Fixa,      // a local disk
        Removivel, // drive a:
        Trabalho,  // the working folder: not flushed (see below)
    };
    explicit GravacaoAtomica(const QString &destinoLocal, Midia midia = Midia::Fixa);
    ~GravacaoAtomica();
    GravacaoAtomica(const GravacaoAtomica &) = delete;
    GravacaoAtomica &operator=(const GravacaoAtomica &) = delete;

    void escreve(const char *dados, qint64 tamanho);
    void escreve(const QByteArray &dados) { escreve(dados.constData(), dados.size()); }
    // Flushes to the medium (outside the working folder), closes and renames
    // into place.
    void conclui();
    qint64 escritos() const { return m_escritos; }

private:
    ErroTavo falha(int codigo) const;

    QString m_destino;
    QString m_temporario;
    PlataformaArquivos::Arquivo m_arquivo;
    qint64 m_escritos = 0;
    bool m_concluida = false;
    bool m_descarrega = true;
    Midia m_midia = Midia::Fixa;
};

// Test seam for failures a test cannot cause for real (a full disk, a
// write-protected medium): while installed, the injector is asked before each
// file is created and before each write, with the target's host path; a
// non-zero answer is taken as the system's error number for that call.
namespace FalhasArquivo {
using Injetor = std::function<int(const QString &destinoLocal)>;
void instala(Injetor injetor);
void remove();
} // namespace FalhasArquivo
