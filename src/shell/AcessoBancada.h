#pragma once

#include "shell/frmPrincipal.h"

// The bench and test drivers' way into the main window: the steps its
// handlers run, for a driver that measures what a button calls or sets the
// window up as a job leaves it. The program itself never includes this.
class frmPrincipal::AcessoBancada
{
public:
    explicit AcessoBancada(frmPrincipal &janela)
        : m_janela(janela)
    {
    }

    void InicializaZip(QLineEdit *caixaStatus) { m_janela.InicializaZip(caixaStatus); }
    void relayZip(const EventoZip &evento) { m_janela.relayZip(evento); }
    void IdentificaEscola(const std::optional<DadosEscola> &escola) { m_janela.IdentificaEscola(escola); }
    void escolhePacote(const PacoteEscolhido &pacote) { m_janela.escolhePacote(pacote); }

private:
    frmPrincipal &m_janela;
};
