#include "common/Erro.h"

ErroTavo::ErroTavo(long numero, QString descricao)
    : m_numero(numero)
    , m_descricao(std::move(descricao))
    , m_utf8(m_descricao.toUtf8())
{
}
