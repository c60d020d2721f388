#pragma once

class QLabel;
class QPixmap;
class QPushButton;
class QString;

// What the windows do so that a screen reader hears what a sighted user
// reads, and the keyboard alone reaches what the mouse does.
namespace Acessibilidade {

// A label whose text is its content (a status, a progress line, a message):
// the text itself is its accessible name, and `descricao`, what the line is
// about, is its accessible description, where it hides nothing. A label with
// no fixed name raises the name-change event itself at every new text, only
// when the text really changes and only while assistive technology listens,
// so the transfer's status lines cost nothing more than the text they show.
void linhaDeConteudo(QLabel *linha, const QString &descricao);

// Puts a new text on such a line, empty text included. The label announces
// it, and only when it differs from the text shown; QLabel::clear() would
// empty it without a word.
void mostraTexto(QLabel *linha, const QString &texto);

// Shows a state picture together with its state in words: the accessible
// name and the tooltip are `estado`, so the state is never told by colour
// alone. A picture already showing `estado` is left as it is (no repaint, no
// event).
void mostraEstado(QLabel *figura, const QPixmap &imagem, const QString &estado);

// Lets Enter and Return press a button that has the focus, as Space does,
// without making it the default button of its dialog (Enter in a text box
// still presses nothing).
void ativaComEnter(QPushButton *botao);

} // namespace Acessibilidade
