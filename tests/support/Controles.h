#pragma once

#include <QObject>

class QLabel;
class QLineEdit;
class QPushButton;

// A window's controls as a test reaches them: by their object names, the
// program's own control names ("cmdGerar", "txtCodigoEscola",
// "optTipoTrasmissao_0", ...), as the user knows them by their captions. A
// name the window does not have (or a control of another kind) stops the
// test program there, naming it.
// A control on a page the window builds when first shown (AbaSobDemanda)
// is reached as the user reaches it: its page is built first.
QObject *controleDe(const QObject &janela, const char *nome, const QMetaObject &tipo);

// Builds every page of the window still waiting to be shown, for a test that
// goes over all of the window's controls.
void montaPaginas(const QObject &janela);

template <typename T> T *controle(const QObject &janela, const char *nome)
{
    return static_cast<T *>(controleDe(janela, nome, T::staticMetaObject));
}

QPushButton *botao(const QObject &janela, const char *nome);
QLineEdit *caixaDeTexto(const QObject &janela, const char *nome);
QLabel *rotulo(const QObject &janela, const char *nome);
