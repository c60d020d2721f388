#pragma once

#include "package/ConferenciaPacote.h"

#include <QString>

#include <memory>
#include <optional>

class Instalacao;
class QTemporaryDir;

// The package made ready by "Gerar" or "...": the one file a send announces
// and sends. The working folder holds the copy that goes out; the source is
// where that copy can be made again when the folder was emptied meanwhile (a
// floppy export of a large package leaves only its pieces there).
class PacoteEscolhido
{
public:
    // No package chosen.
    PacoteEscolhido() = default;

    // A package whose source stays where it is (the generated package in the
    // package folder, a ZIP chosen with "..."). `copia` is its copy in the
    // working folder, which gives the name and the size.
    static PacoteEscolhido comOrigem(const Instalacao &instalacao, const QString &origem, const QString &copia,
                                     const QString &codigoEscola, const QString &escola);
    // A package with no lasting source of its own (one joined from pieces):
    // a copy of `copia` is kept, outside the working folder, for as long as a
    // value refers to it. Raises ErroTavo when the copy cannot be made.
    static PacoteEscolhido comCopiaPropria(const Instalacao &instalacao, const QString &copia,
                                           const QString &codigoEscola, const QString &escola);

    bool vazio() const { return m_nome.isEmpty(); }
    // Program form or host path.
    const QString &origem() const { return m_origem; }
    // File name, as announced.
    const QString &nome() const { return m_nome; }
    qint64 tamanho() const { return m_tamanho; }
    const QString &codigoEscola() const { return m_codigoEscola; }
    const QString &escola() const { return m_escola; }

    // Path (program form) of the package in the working folder, copied there
    // again from the source when the folder no longer holds it whole. Raises
    // ErroTavo(Erros::ArquivoNaoEncontrado) when no package is chosen or
    // neither the folder nor the source holds it any more.
    QString naPastaTrabalho(const Instalacao &instalacao) const;

    // Keeps the check of the package's file in the working folder, which a
    // send then takes instead of reading the file again for as long as that
    // file stays as it was.
    void guardaConferencia(ConferenciaPacote conferencia) { m_conferencia = std::move(conferencia); }
    // The check kept, when it is of the file `caminho` (program form or host
    // path) now names, unchanged since; else null.
    const ConferenciaPacote *conferenciaDe(const Instalacao &instalacao, const QString &caminho) const;

private:
    QString m_origem;
    QString m_nome;
    qint64 m_tamanho = 0;
    QString m_codigoEscola;
    QString m_escola;
    // The copy kept for a package without a source; removed with the last
    // value that refers to it.
    std::shared_ptr<const QTemporaryDir> m_guarda;
    std::optional<ConferenciaPacote> m_conferencia;
};
