#pragma once

#include "common/Instalacao.h"

#include "common/Erro.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class Interlocutor;

// "Disquete": the chosen package copied to drive a:, whole when it fits on
// one disk, else cut into numbered pieces in the working folder and copied
// one per disk, the user asked for each disk in turn. Every way the export
// ends is told to the user.
class ExportacaoDisquete : public QObject
{
    Q_OBJECT

public:
    // `pacote`: the chosen package (program form or host path).
    ExportacaoDisquete(const Instalacao &instalacao, QString pacote, Interlocutor &interlocutor,
                       QObject *parent = nullptr);

    // The package is a file: otherwise the user is told ("O Arquivo não
    // existe!") and there is nothing to export.
    bool confere() const;
    // How an export ended; the user was told either way.
    struct Resultado
    {
        // The package, or every piece of it, is on disks.
        bool copiado = false;
        // The pieces it was cut into; 0 when it went whole.
        int pedacos = 0;
        // What stopped it; none when it was copied, or when no disk came
        // after the allowed prompts.
        std::optional<ErroTavo> falha;
    };

    // The export, from the cutting to the last disk and its closing message.
    Resultado executa();

Q_SIGNALS:
    // The working folder's files changed (a piece was cut, the folder was
    // cleared).
    void pastaTrabalhoMudou();
    // The package was cut: the system beep.
    void cortado();

private:
    // Copies the package or its pieces; false when no disk came after the
    // allowed prompts (the user told).
    bool copiaParaDisquetes(int pedacos) const;

    const Instalacao m_instalacao;
    QString m_pacote;
    Interlocutor &m_interlocutor;
};

// Drive a: holds a disk: a medium is mounted where drive a: lies (see
// Instalacao::disquete), or the stand-in folder $TAVO_ROOT/drives/a exists.
// Whether the medium accepts writes is found out by the copy.
bool DisquetePronto(const Instalacao &instalacao);

// Cuts the package at `caminho` into pieces in the emptied working folder;
// `aCadaPedaco` runs after each piece. Returns the number of pieces, or 0
// when the package fits on one disk (nothing is written). A package that
// itself lies in the working folder is kept there.
std::int16_t DivideArquivo(const Instalacao &instalacao, const QString &caminho,
                           const std::function<void(int)> &aCadaPedaco = {});
