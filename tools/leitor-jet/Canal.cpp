#include "Canal.h"

namespace {
constexpr std::size_t kBloco = 256 * 1024;
}

void Canal::bytes(const void *dados, std::size_t tamanho)
{
    m_buffer.append(static_cast<const char *>(dados), tamanho);
    if (m_buffer.size() >= kBloco)
        descarrega();
}

bool Canal::descarrega()
{
    if (m_ok && !m_buffer.empty())
        m_ok = std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_saida) == m_buffer.size();
    m_buffer.clear();
    if (m_ok)
        m_ok = std::fflush(m_saida) == 0;
    return m_ok;
}
