#include "support/CaixasRoteirizadas.h"

#include <QDebug>

using namespace CaixaMensagem;

CaixasRoteirizadas::CaixasRoteirizadas()
{
    instalaRoteiro([this](const Registro &caixa) {
        m_mostradas.append(caixa);
        if (m_acao)
            m_acao(caixa, static_cast<int>(m_mostradas.size()) - 1);
        if (!m_respostas.isEmpty())
            return m_respostas.takeFirst();
        ++m_inesperadas;
        qWarning().noquote() << "Unexpected message box:" << caixa.titulo << "/" << caixa.texto;
        switch (caixa.botoes) {
        case Botoes::SimNao:
            return Resposta::Nao;
        case Botoes::OkCancelar:
            return Resposta::Cancelar;
        case Botoes::Ok:
            break;
        }
        return Resposta::Ok;
    });
}

CaixasRoteirizadas::~CaixasRoteirizadas()
{
    removeRoteiro();
}

void CaixasRoteirizadas::responde(Resposta resposta)
{
    m_respostas.append(resposta);
}

void CaixasRoteirizadas::confirma(int n)
{
    for (int i = 0; i < n; ++i)
        m_respostas.append(Resposta::Ok);
}

QStringList CaixasRoteirizadas::textos() const
{
    QStringList lista;
    for (const Registro &caixa : m_mostradas)
        lista.append(caixa.texto);
    return lista;
}

void CaixasRoteirizadas::limpa()
{
    m_respostas.clear();
    m_mostradas.clear();
    m_inesperadas = 0;
}

bool caixaIgual(const Registro &caixa, const QString &texto, const QString &titulo, Botoes botoes, Icone icone)
{
    const bool igual = caixa.texto == texto && caixa.titulo == titulo && caixa.botoes == botoes && caixa.icone == icone;
    if (!igual)
        qWarning().noquote() << "Box differs. Shown:" << caixa.titulo << "/" << caixa.texto << int(caixa.botoes)
                             << int(caixa.icone) << "Expected:" << titulo << "/" << texto << int(botoes) << int(icone);
    return igual;
}
