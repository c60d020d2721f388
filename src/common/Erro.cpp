#include "common/Erro.h"

ErroTavo::ErroTavo(long numero, QString descricao, QString detalhe)
    : m_numero(numero)
    , m_descricao(std::move(descricao))
    , m_detalhe(std::move(detalhe))
    , m_utf8(m_descricao.toUtf8())
{
}

ErroTavo ErroTavo::doBanco(Tipo tipo, QString descricao, QString detalhe)
{
    ErroTavo erro(Erros::FalhaBanco, std::move(descricao), std::move(detalhe));
    erro.m_tipo = tipo;
    return erro;
}

QString ErroTavo::texto() const
{
    return QString::number(m_numero) + QStringLiteral(": ") + m_descricao;
}

QString ErroTavo::relato() const
{
    QString texto = QStringLiteral("error ") + QString::number(m_numero) + QStringLiteral(": ") + m_descricao;
    if (!m_detalhe.isEmpty())
        texto += QStringLiteral(" [") + m_detalhe + QLatin1Char(']');
    return texto;
}
