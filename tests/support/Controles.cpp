#include "support/Controles.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QObject *procura(const QObject &janela, const char *nome, const QMetaObject &tipo)
{
    for (QObject *achado : janela.findChildren<QObject *>(QLatin1String(nome))) {
        if (tipo.cast(achado))
            return achado;
    }
    return nullptr;
}

} // namespace

void montaPaginas(const QObject &janela)
{
    for (QObject *filho : janela.findChildren<QObject *>()) {
        if (filho->inherits("AbaSobDemanda"))
            QMetaObject::invokeMethod(filho, "monta", Qt::DirectConnection);
    }
}

QObject *controleDe(const QObject &janela, const char *nome, const QMetaObject &tipo)
{
    if (QObject *achado = procura(janela, nome, tipo))
        return achado;
    montaPaginas(janela);
    if (QObject *achado = procura(janela, nome, tipo))
        return achado;
    qFatal("%s has no %s named %s", qPrintable(janela.objectName()), tipo.className(), nome);
    return nullptr;
}

QPushButton *botao(const QObject &janela, const char *nome)
{
    return controle<QPushButton>(janela, nome);
}

QLineEdit *caixaDeTexto(const QObject &janela, const char *nome)
{
    return controle<QLineEdit>(janela, nome);
}

QLabel *rotulo(const QObject &janela, const char *nome)
{
    return controle<QLabel>(janela, nome);
}
