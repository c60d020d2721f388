#pragma once

#include <QString>

#include <optional>

class QWidget;

// The open-file dialog of the program. In production it is a real
// QFileDialog with its own defaults (all files, its own title and starting
// folder); tests queue the next outcomes, a chosen path or a cancel, so that
// a flow that asks for a file can be driven headless.
namespace DialogoArquivo {

// Shows the dialog. Returns the full path of the chosen file, or nothing when
// the user cancels.
std::optional<QString> abre(QWidget *pai);

// The test seam. Once an outcome is queued, no real dialog is shown until
// removeRoteiro(): each call takes the next queued outcome; with none left it
// counts as unexpected and answers a cancel, so a flow never hangs.
void escolheProximo(const QString &caminho);
void cancelaProximo();
void removeRoteiro();
int inesperados();
int pendentes();

} // namespace DialogoArquivo
