// The main window's jobs: each handler runs a job of the core and shows in
// the window's controls what the job reports.
#include "shell/frmPrincipal.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/FormataTamanho.h"
#include "common/Relogio.h"
#include "common/gui/Acessibilidade.h"
#include "common/gui/DialogoArquivo.h"
#include "common/gui/Interface.h"
#include "intake/SelecaoPacote.h"
#include "package/ArquivosTrabalho.h"
#include "package/ExportacaoDisquete.h"
#include "package/GeracaoPacote.h"
#include "package/StatusZip.h"
#include "package/modAddZip.h"
#include "shell/AbaSobDemanda.h"
#include "shell/ListaArquivos.h"
#include "shell/TarefaExclusiva.h"
#include "transfer/MensagensCliente.h"
#include "transfer/SessaoTransferencia.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <optional>

using CaixaMensagem::Icone;

void frmPrincipal::InicializaZip(QLineEdit *caixaStatus)
{
    if (InicializaComponenteZip(m_caixas, caixaStatus != nullptr))
        m_caixaStatusZip = caixaStatus;
}

void frmPrincipal::relayZip(const EventoZip &evento)
{
    // The status box fires its change handler at once.
    if (m_caixaStatusZip)
        m_caixaStatusZip->setText(MontaStatus(evento));
}

void frmPrincipal::txtZip_Change()
{
    Acessibilidade::mostraTexto(lblProgresso, LinhaProgresso(txtZip->text()));
    // Lets the label repaint while the job goes on.
    Interface::cedeEventos();
}

void frmPrincipal::IdentificaEscola(const std::optional<DadosEscola> &escola)
{
    txtCodigoSRE->setText(escola ? escola->codigoSRE : QString());
    txtSRE->setText(escola ? escola->sre : QString());
    txtEscola->setText(escola ? escola->escola : QString());
    txtCodigoEscola->setText(escola ? escola->codigoEscola : QString());
}

DadosEscola frmPrincipal::escolaMostrada() const
{
    return {txtCodigoSRE->text(), txtSRE->text(), txtEscola->text(), txtCodigoEscola->text()};
}

QList<QObject *> frmPrincipal::controlesDeTrabalho()
{
    garanteAbas();
    return {cmdGerar, cmdProcurar, CancelaArquivo, cmdDisquete, cmdInternet, cmdTransmitir, mnuArquivo};
}

// File1 shows the working folder; a folder that is gone shows nothing.
void frmPrincipal::mostraPastaTrabalho()
{
    m_abaEnviar->monta();
    try {
        File1->setPath(Caminhos::pastaTrabalho());
    } catch (const ErroTavo &) {
        File1->clear();
    }
}

// The chosen package: selected in the working folder's list, its name and
// size in txtArquivo.
void frmPrincipal::mostraPacote(const PacoteEscolhido &pacote)
{
    mostraPastaTrabalho();
    for (int i = 0; i < File1->count(); ++i) {
        if (File1->nome(i) == pacote.nome())
            File1->setListIndex(i);
    }
    txtArquivo->setText(pacote.nome() + QStringLiteral(" - ") + FormataTamanho(pacote.tamanho()));
}

void frmPrincipal::escolhePacote(const PacoteEscolhido &pacote)
{
    Pacote = pacote;
    m_abaEnviar->monta();
    txtCaminhoArquivo->setText(pacote.origem());
    mostraPacote(Pacote);
}

void frmPrincipal::cmdGerar_Click()
{
    if (TarefaExclusiva::emCurso())
        return;
    bool gerado = false;
    {
        const TarefaExclusiva tarefa(controlesDeTrabalho());
        // Pointer and "Aguarde..." are restored on every way out.
        struct Restaura
        {
            QLabel *aguarde;
            ~Restaura()
            {
                Interface::ponteiroPadrao();
                aguarde->hide();
            }
        } restaura{lblAguarde};
        lblAguarde->show();
        Interface::redesenha(this);
        Interface::ponteiroAmpulheta();

        GeracaoPacote geracao(m_instalacao, Caminhos::bancoEscola(), Relogio::agora().date(), m_caixas);
        connect(&geracao, &GeracaoPacote::escolaIdentificada, this, &frmPrincipal::IdentificaEscola);
        connect(&geracao, &GeracaoPacote::progressoZip, this, &frmPrincipal::relayZip);
        const GeracaoPacote::Resultado resultado = geracao.executa();
        Acessibilidade::mostraTexto(lblProgresso, QString());
        gerado = resultado.gerado;
        if (gerado) {
            escolhePacote(resultado.escolhido);
            SSTab->setCurrentIndex(1);
        } else {
            // Nothing is left to send: the working folder may have lost the
            // package chosen before.
            Pacote = {};
            mostraPastaTrabalho();
        }
    }
    // After the guard, which puts back the buttons as they were before the job.
    if (gerado)
        HabilitaBotoesEnvio();
    else
        DesabilitaBotoesEnvio();
}

void frmPrincipal::cmdProcurar_Click()
{
    if (TarefaExclusiva::emCurso())
        return;
    SelecaoPacote::Resultado resultado;
    {
        const TarefaExclusiva tarefa(controlesDeTrabalho());
        Acessibilidade::mostraTexto(lblMensagem, QStringLiteral("Lendo o Arquivo. Aguarde..."));
        const std::optional<QString> escolha = DialogoArquivo::abre(this);
        if (!escolha) {
            // The transfer's cancel, not "Limpar": an earlier package stays.
            cmdCancelar_Click();
        } else {
            Interface::ponteiroAmpulheta();
            Interface::redesenha(this);
            SelecaoPacote selecao(m_instalacao, *escolha, m_caixas);
            connect(&selecao, &SelecaoPacote::mensagem, this, [this](const QString &texto) {
                Acessibilidade::mostraTexto(lblMensagem, texto);
                if (!texto.isEmpty()) {
                    Interface::ponteiroAmpulheta();
                    Interface::redesenha(this);
                }
            });
            connect(&selecao, &SelecaoPacote::caminho, txtCaminhoArquivo, &QLineEdit::setText);
            connect(&selecao, &SelecaoPacote::pasta, this, [this](const QString &pasta) {
                try {
                    File1->setPath(pasta);
                } catch (const ErroTavo &) {
                    // The job meets the missing folder itself and says so.
                }
            });
            connect(&selecao, &SelecaoPacote::progressoZip, this, &frmPrincipal::relayZip);
            connect(&selecao, &SelecaoPacote::zipConcluido, this,
                    [this] { Acessibilidade::mostraTexto(lblProgresso, QString()); });
            connect(&selecao, &SelecaoPacote::escolaIdentificada, this, &frmPrincipal::IdentificaEscola);
            connect(&selecao, &SelecaoPacote::pacotePronto, this, &frmPrincipal::mostraPacote);
            resultado = selecao.executa();
            if (resultado.pronto) {
                Pacote = resultado.pacote;
                SSTab->setCurrentIndex(2);
            }
        }
        Interface::ponteiroPadrao();
        Acessibilidade::mostraTexto(lblMensagem, QString());
    }
    // After the guard, which puts back the buttons as they were before the job.
    // A selection that emptied the working folder and ended without a
    // package leaves nothing to send.
    if (resultado.pronto) {
        HabilitaBotoesEnvio();
    } else if (resultado.esvaziada) {
        Pacote = {};
        DesabilitaBotoesEnvio();
    }
}

void frmPrincipal::CancelaArquivo_Click()
{
    if (TarefaExclusiva::emCurso())
        return;
    std::optional<ErroTavo> falha;
    try {
        LimpaPastaTemp(m_instalacao);
    } catch (const ErroTavo &erro) {
        falha = erro;
    }
    Pacote = {};
    DesabilitaBotoesEnvio();
    txtCodigoSRE->clear();
    txtSRE->clear();
    txtCodigoEscola->clear();
    txtEscola->clear();
    txtArquivo->clear();
    Acessibilidade::mostraTexto(lblProgresso, QString());
    txtCaminhoArquivo->clear();
    File1->refresh();
    // A file the folder would not give up stays; the user is told which.
    if (falha)
        m_caixas.avisa(falha->texto(), Icone::Critico);
}

void frmPrincipal::cmdDisquete_Click()
{
    if (TarefaExclusiva::emCurso())
        return;
    ExportacaoDisquete exportacao(m_instalacao, txtCaminhoArquivo->text(), m_caixas);
    if (!exportacao.confere())
        return;
    const TarefaExclusiva tarefa(controlesDeTrabalho());
    Interface::ponteiroAmpulheta();
    Acessibilidade::mostraTexto(lblMensagem, QStringLiteral("Enviando o arquivo para o disquete. Aguarde..."));
    connect(&exportacao, &ExportacaoDisquete::pastaTrabalhoMudou, this, &frmPrincipal::mostraPastaTrabalho);
    connect(&exportacao, &ExportacaoDisquete::cortado, this, [] { Interface::bipe(); });
    exportacao.executa();
    Acessibilidade::mostraTexto(lblMensagem, QString());
    Interface::ponteiroPadrao();
}

void frmPrincipal::cmdTransmitir_Click()
{
    // A click that was already queued when a job started waits its turn.
    if (TarefaExclusiva::emCurso())
        return;
    const bool periodica = optTipoTrasmissao[0]->isChecked();
    if (!ConfereEnvio(txtCodigoEscola->text(), periodica || optTipoTrasmissao[1]->isChecked(), m_caixas))
        return;
    const QString legenda = periodica ? optTipoTrasmissao[0]->text() : optTipoTrasmissao[1]->text();
    const auto resposta = m_caixas.pergunta(
        QStringLiteral("Atenção!\r\nVerifique se o Tipo de transmissaõ foi escolhido corretamente.\r\n"
                       "Deseja realmente enviar os dados da ")
            + legenda + QStringLiteral(" ?"),
        CaixaMensagem::Botoes::SimNao, Icone::Pergunta);
    if (resposta != CaixaMensagem::Resposta::Sim)
        return;

    const TarefaExclusiva exclusiva(controlesDeTrabalho());
    const DadosEscola escola = escolaMostrada();
    m_sessao->transmite(m_configuracao, Pacote,
                        {escola.codigoSRE, escola.sre, escola.codigoEscola, escola.escola,
                         MensagensCliente::tipoTransmissao(periodica)});
}

void frmPrincipal::cmdInternet_Click()
{
    SSTab->setCurrentIndex(2);
    cmdTransmitir_Click();
}

void frmPrincipal::cmdCancelar_Click()
{
    m_sessao->cancela();
    // While a job runs its guard holds "Transmitir" off and gives it back
    // when the job ends; enabling it here would allow a second transfer
    // inside the first.
    if (!Pacote.vazio() && !TarefaExclusiva::emCurso())
        cmdTransmitir->setEnabled(true);
}
