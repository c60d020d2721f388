#pragma once

#include <QAccessible>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class QWidget;

// Listens as a screen reader does: turns the platform's accessibility on for
// the test program (offscreen has no assistive technology of its own) and
// records every accessibility event raised, with what the object's name and
// value were at that moment. Turns it off again when it goes away.
class OuvinteAcessivel
{
public:
    struct Evento
    {
        QPointer<QObject> objeto;
        QAccessible::Event tipo;
        QString nome;
        QString valor;
    };

    OuvinteAcessivel();
    ~OuvinteAcessivel();
    OuvinteAcessivel(const OuvinteAcessivel &) = delete;
    OuvinteAcessivel &operator=(const OuvinteAcessivel &) = delete;

    const QList<Evento> &eventos() const;
    void limpa();
    // The events of one object, of one type.
    QList<Evento> de(const QObject *objeto, QAccessible::Event tipo) const;
};

// Name and value of an object as assistive technology reads them.
QString nomeAcessivel(QObject *objeto);
QString valorAcessivel(QObject *objeto);

// The captions of a window's visible labels and buttons that do not fit the
// room their control has, in the control's own font: "name: text" each.
QStringList legendasCortadas(QWidget *janela);

// The system font half as large again (150 %) while this lives; then the
// application's font as it was.
class FonteAumentada
{
public:
    FonteAumentada();
    ~FonteAumentada();
    FonteAumentada(const FonteAumentada &) = delete;
    FonteAumentada &operator=(const FonteAumentada &) = delete;
    // The larger font.
    const QFont &grande() const { return m_grande; }

private:
    QFont m_padrao;
    QFont m_grande;
};
