#include "intake/IdentificaEscola.h"

#include "common/Caminhos.h"
#include "intake/IdentificacaoEscola.h"
#include "shell/frmPrincipal.h"

#include <QLineEdit>

void IdentificaEscola(frmPrincipal &janela, const QString &caminho)
{
    // Every value is read before any box changes: a failure leaves all four as they were.
    const std::optional<DadosEscola> dados = LeDadosEscola(Caminhos::local(caminho));
    janela.txtCodigoSRE->setText(dados ? dados->codigoSRE : QString());
    janela.txtSRE->setText(dados ? dados->sre : QString());
    janela.txtEscola->setText(dados ? dados->escola : QString());
    janela.txtCodigoEscola->setText(dados ? dados->codigoEscola : QString());
}
