#include "support/Acessivel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QWidget>

// Turning the platform's accessibility on has no public call: Qt's own tests
// of accessibility do it through the platform integration, as here.
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {

QList<OuvinteAcessivel::Evento> g_eventos;

QString textoDe(QAccessibleInterface *interface, QAccessible::Text tipo)
{
    return interface && interface->isValid() ? interface->text(tipo) : QString();
}

void registra(QAccessibleEvent *evento)
{
    QAccessibleInterface *interface = evento->accessibleInterface();
    g_eventos.append({evento->object(), evento->type(), textoDe(interface, QAccessible::Name),
                      textoDe(interface, QAccessible::Value)});
}

QPlatformAccessibility *plataforma()
{
    QPlatformIntegration *integracao = QGuiApplicationPrivate::platformIntegration();
    return integracao ? integracao->accessibility() : nullptr;
}

QString semAtalho(QString texto)
{
    return texto.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

} // namespace

OuvinteAcessivel::OuvinteAcessivel()
{
    g_eventos.clear();
    QAccessible::installUpdateHandler(registra);
    if (QPlatformAccessibility *acessibilidade = plataforma())
        acessibilidade->setActive(true);
    if (!QAccessible::isActive())
        qFatal("the platform's accessibility could not be turned on");
}

OuvinteAcessivel::~OuvinteAcessivel()
{
    if (QPlatformAccessibility *acessibilidade = plataforma())
        acessibilidade->setActive(false);
    QAccessible::installUpdateHandler(nullptr);
    g_eventos.clear();
}

const QList<OuvinteAcessivel::Evento> &OuvinteAcessivel::eventos() const
{
    return g_eventos;
}

void OuvinteAcessivel::limpa()
{
    g_eventos.clear();
}

QList<OuvinteAcessivel::Evento> OuvinteAcessivel::de(const QObject *objeto, QAccessible::Event tipo) const
{
    QList<Evento> lista;
    for (const Evento &evento : g_eventos)
        if (evento.objeto == objeto && evento.tipo == tipo)
            lista.append(evento);
    return lista;
}

QString nomeAcessivel(QObject *objeto)
{
    return textoDe(QAccessible::queryAccessibleInterface(objeto), QAccessible::Name);
}

QString valorAcessivel(QObject *objeto)
{
    return textoDe(QAccessible::queryAccessibleInterface(objeto), QAccessible::Value);
}

QStringList legendasCortadas(QWidget *janela)
{
    QStringList cortadas;
    const auto corta = [&cortadas](const QWidget *controle, const QString &texto) {
        cortadas.append(controle->objectName() + QStringLiteral(": ") + texto);
    };
    for (QLabel *label : janela->findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        const QFontMetrics medidas(label->font());
        const QString texto = semAtalho(label->text());
        const QRect espaco = label->contentsRect();
        // What shows is the ink; a lone dot carries more room after it than
        // it inks, and that room may lie outside its label.
        const int largura =
            texto.size() == 1 ? medidas.tightBoundingRect(texto).right() + 1 : medidas.horizontalAdvance(texto);
        if (largura > espaco.width() || medidas.height() > espaco.height())
            corta(label, texto);
    }
    for (QAbstractButton *botao : janela->findChildren<QAbstractButton *>()) {
        if (!botao->isVisible() || botao->text().isEmpty())
            continue;
        // The room the style gives a button's caption is what its size hint
        // asks for: a button smaller than that cuts its caption.
        const QSize pedido = botao->sizeHint();
        const bool temPedidoProprio = qobject_cast<QPushButton *>(botao) || qobject_cast<QRadioButton *>(botao)
                                      || qobject_cast<QCheckBox *>(botao);
        if (temPedidoProprio && (pedido.width() > botao->width() || pedido.height() > botao->height()))
            corta(botao, semAtalho(botao->text()));
    }
    return cortadas;
}

FonteAumentada::FonteAumentada()
    : m_padrao(QApplication::font())
    , m_grande(m_padrao)
{
    // The usual desktop font (9 points; Wine's is smaller) at 150 %.
    m_grande.setPointSizeF(9.0 * 1.5);
    QApplication::setFont(m_grande);
}

FonteAumentada::~FonteAumentada()
{
    QApplication::setFont(m_padrao);
}
