#pragma once

#include "common/gui/CaixaMensagem.h"

#include <QList>

#include <functional>

// Scripts the message boxes of a test: answers are queued in the order the
// boxes are expected, every box shown is recorded. A box with no answer left
// is recorded as unexpected and answered No/Cancel/OK, so a flow never hangs;
// `inesperadas()` tells the test.
class CaixasRoteirizadas
{
public:
    CaixasRoteirizadas();
    ~CaixasRoteirizadas();
    CaixasRoteirizadas(const CaixasRoteirizadas &) = delete;
    CaixasRoteirizadas &operator=(const CaixasRoteirizadas &) = delete;

    // Queues the answer of the next box.
    void responde(CaixaMensagem::Resposta resposta);
    // Queues OK for `n` boxes that only inform.
    void confirma(int n = 1);

    // Optional: runs when a box appears, before it is answered, with the box
    // and its position (from 0) among the boxes shown; e.g. to insert a disk
    // when the program asks for it.
    using Acao = std::function<void(const CaixaMensagem::Registro &caixa, int ordem)>;
    void aoMostrar(Acao acao) { m_acao = std::move(acao); }

    const QList<CaixaMensagem::Registro> &mostradas() const { return m_mostradas; }
    int inesperadas() const { return m_inesperadas; }
    int respostasPendentes() const { return static_cast<int>(m_respostas.size()); }
    // Texts of the boxes shown, in order.
    QStringList textos() const;
    void limpa();

private:
    QList<CaixaMensagem::Resposta> m_respostas;
    QList<CaixaMensagem::Registro> m_mostradas;
    int m_inesperadas = 0;
    Acao m_acao;
};

// Compares one recorded box with what the test expects.
bool caixaIgual(const CaixaMensagem::Registro &caixa, const QString &texto, const QString &titulo,
                CaixaMensagem::Botoes botoes, CaixaMensagem::Icone icone);
