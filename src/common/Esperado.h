#pragma once

#include "common/Erro.h"

#include <optional>
#include <utility>
#include <variant>

// A value, or why there is none: what a routine returns for a failure its
// caller handles (std::expected, which this compiler's C++20 lacks). The
// reason is the project's error, with its number and text, unless the
// routine names another (a send's result, an exit status).
template <typename T, typename E = ErroTavo> class Esperado
{
public:
    Esperado(T valor)
        : m_dado(std::in_place_index<0>, std::move(valor))
    {
    }
    Esperado(E erro)
        : m_dado(std::in_place_index<1>, std::move(erro))
    {
    }

    explicit operator bool() const { return m_dado.index() == 0; }
    // The value; asking for it when there is none raises
    // std::bad_variant_access.
    T &valor() { return std::get<0>(m_dado); }
    const T &valor() const { return std::get<0>(m_dado); }
    T &operator*() { return valor(); }
    const T &operator*() const { return valor(); }
    T *operator->() { return &valor(); }
    const T *operator->() const { return &valor(); }
    const E &erro() const { return std::get<1>(m_dado); }

private:
    std::variant<T, E> m_dado;
};

// Done, or why not.
template <typename E> class Esperado<void, E>
{
public:
    Esperado() = default;
    Esperado(E erro)
        : m_erro(std::move(erro))
    {
    }

    explicit operator bool() const { return !m_erro; }
    const E &erro() const { return *m_erro; }

private:
    std::optional<E> m_erro;
};
