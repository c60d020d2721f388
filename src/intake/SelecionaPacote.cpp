#include "intake/SelecionaPacote.h"

#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Conversao.h"
#include "common/DialogoArquivo.h"
#include "common/Erro.h"
#include "common/FormataTamanho.h"
#include "common/Interface.h"
#include "intake/IdentificaEscola.h"
#include "package/ArquivosTrabalho.h"
#include "package/Pedacos.h"
#include "package/modAddZip.h"
#include "shell/ListaArquivos.h"
#include "shell/TarefaExclusiva.h"
#include "shell/frmPrincipal.h"
#include "transfer/Cancelamento.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include <memory>

using CaixaMensagem::Botoes;
using CaixaMensagem::Icone;
using CaixaMensagem::Resposta;

namespace {

enum class Fim { Pronto, Encerrado };

QString pastaTrabalhoComBarra()
{
    return Caminhos::pastaTrabalho() + QLatin1Char('\\');
}

void mostraLendo(frmPrincipal &janela, const QString &texto)
{
    janela.lblMensagem->setText(texto);
    Interface::ponteiroAmpulheta();
    Interface::redesenha(&janela);
}

// Asks for a disk; false (after telling the user) when they cancel.
bool pedeDisquete(const QString &texto)
{
    if (CaixaMensagem::mostra(texto, Botoes::OkCancelar, Icone::Informacao) == Resposta::Ok)
        return true;
    CaixaMensagem::aviso(QStringLiteral("A Operação foi cancelada!"), Icone::Informacao);
    return false;
}

// Copies the first entry of drive a: into the working folder; returns its name.
QString copiaPrimeiroDoDisquete(frmPrincipal &janela)
{
    janela.File1->setPath(Caminhos::unidadeDisquete());
    janela.File1->refresh();
    janela.File1->setListIndex(0);
    const QString nome = janela.File1->fileName();
    CopiaArquivo(Caminhos::unidadeDisquete() + nome, pastaTrabalhoComBarra());
    return nome;
}

// Gathers the pieces from the disks and joins them (steps for a "001" choice).
Fim juntaDisquetes(frmPrincipal &janela, const QString &primeiro)
{
    mostraLendo(janela, QStringLiteral("Lendo o primeiro disquete. Aguarde..."));
    CopiaArquivo(primeiro, pastaTrabalhoComBarra());
    if (!pedeDisquete(QStringLiteral("Insira o último disquete e aperte o botão OK")))
        return Fim::Encerrado;

    Interface::redesenha(&janela);
    janela.File1->setPath(Caminhos::unidadeDisquete());
    janela.File1->setListIndex(0);
    const QString ultimo = janela.File1->fileName();
    const std::int16_t quantidade = Conversao::paraInteiro16(ultimo.right(3));
    janela.txtCaminhoArquivo->setText(Caminhos::unidadeDisquete() + ultimo);
    Interface::redesenha(&janela);
    mostraLendo(janela, QStringLiteral("Lendo o último disquete. Aguarde..."));
    CopiaArquivo(Caminhos::unidadeDisquete() + ultimo, pastaTrabalhoComBarra());

    for (int i = 2; i <= quantidade - 1; ++i) {
        if (!pedeDisquete(QStringLiteral("Insira o disquete Número ") + QString::number(i)))
            return Fim::Encerrado;
        Interface::redesenha(&janela);
        copiaPrimeiroDoDisquete(janela);
    }
    if (!AgrupaArquivos(janela, pastaTrabalhoComBarra())) {
        CaixaMensagem::aviso(QStringLiteral("Ocorreu um erro ao agrupar os arquivos"), Icone::Critico);
        return Fim::Encerrado;
    }
    return Fim::Pronto;
}

// Selects `nome` in File1, or the first entry when it is not listed.
void selecionaNaLista(ListaArquivos &lista, const QString &nome)
{
    for (int i = 0; i < lista.count(); ++i) {
        if (lista.nome(i) == nome) {
            lista.setListIndex(i);
            return;
        }
    }
    lista.setListIndex(0);
}

// Unpacks the package of the working folder, identifies the school and shows
// the package (steps 8 to 12). Returns the package's path (program form).
QString preparaPacote(frmPrincipal &janela)
{
    janela.File1->setPath(pastaTrabalhoComBarra());
    janela.File1->refresh();
    janela.File1->setListIndex(0);
    const QString nomePacote = janela.File1->fileName();
    const QString pacote = janela.File1->path() + QLatin1Char('\\') + nomePacote;
    // A package is ready only when it reads back whole: a missing, repeated or
    // damaged piece is caught here.
    TestaArquivoZip(pacote);
    DeszipaArquivo(pacote, QStringLiteral("*.*"), pastaTrabalhoComBarra(), 0);
    janela.lblProgresso->clear();

    const QString banco = janela.File1->path() + QStringLiteral("\\mirv_dat.mdb");
    IdentificaEscola(janela, banco);
    RemoveArquivo(banco);

    janela.File1->setPath(pastaTrabalhoComBarra());
    janela.File1->refresh();
    // The package itself is the chosen file, also when the archive held
    // other files that sort before it.
    selecionaNaLista(*janela.File1, nomePacote);
    const QString escolhido = janela.File1->path() + QLatin1Char('\\') + janela.File1->fileName();
    janela.txtArquivo->setText(janela.File1->fileName() + QStringLiteral(" - ")
                               + FormataTamanho(QFileInfo(Caminhos::local(escolhido)).size()));
    return pacote;
}

// The selection up to a ready package; every runtime error reaches the caller.
// `esvaziada` tells whether the working folder, and so the package chosen
// before, is gone.
Fim selecionaPacote(frmPrincipal &janela, bool &esvaziada)
{
    janela.lblMensagem->setText(QStringLiteral("Lendo o Arquivo. Aguarde..."));
    const std::optional<QString> escolha = DialogoArquivo::abre(&janela);
    if (!escolha) {
        cmdCancelar_Click(janela);
        return Fim::Encerrado;
    }
    Interface::ponteiroAmpulheta();
    Interface::redesenha(&janela);
    janela.txtCaminhoArquivo->setText(*escolha);
    const QString sufixo = escolha->right(3);

    // A file chosen inside the working folder would go with the emptying:
    // it is read from a copy kept aside.
    std::unique_ptr<QTemporaryDir> guarda;
    QString origem = *escolha;
    if (NaPastaTrabalho(Caminhos::local(origem))) {
        guarda = std::make_unique<QTemporaryDir>();
        if (!guarda->isValid())
            throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Pasta temporária indisponível"));
        CopiaArquivo(origem, guarda->path() + QLatin1Char('/'));
        origem = guarda->path() + QLatin1Char('/') + Caminhos::nomeArquivo(origem);
    }
    esvaziada = true;
    LimpaPastaTemp();

    if (sufixo == QLatin1String("zip")) {
        CopiaArquivo(origem, pastaTrabalhoComBarra());
    } else if (sufixo == QLatin1String("001")) {
        if (juntaDisquetes(janela, origem) == Fim::Encerrado)
            return Fim::Encerrado;
    } else {
        CaixaMensagem::aviso(QStringLiteral("O Aqruivo escolhido não é valido!"), Icone::Informacao,
                             QStringLiteral("TAVO - UPLOAD"));
        janela.txtCaminhoArquivo->clear();
        return Fim::Encerrado;
    }
    const QString pronto = preparaPacote(janela);
    // The send copies the package again from here when the working folder
    // loses it. A package joined from pieces, or chosen inside the working
    // folder, has no such place of its own: the program keeps a copy.
    janela.Pacote =
        sufixo == QLatin1String("zip") && !guarda
            ? PacoteEscolhido::comOrigem(*escolha, pronto, janela.txtCodigoEscola->text(), janela.txtEscola->text())
            : PacoteEscolhido::comCopiaPropria(pronto, janela.txtCodigoEscola->text(), janela.txtEscola->text());
    janela.lblMensagem->clear();
    CaixaMensagem::aviso(QStringLiteral("O Arquivo está pronto para ser Transmitido!"), Icone::Informacao);
    janela.SSTab->setCurrentIndex(2);
    return Fim::Pronto;
}

} // namespace

void cmdProcurar_Click(frmPrincipal &janela)
{
    if (TarefaExclusiva::emCurso())
        return;
    Fim fim = Fim::Encerrado;
    bool esvaziada = false;
    {
        const TarefaExclusiva tarefa(janela);
        try {
            fim = selecionaPacote(janela, esvaziada);
        } catch (const ErroTavo &) {
            CaixaMensagem::aviso(QStringLiteral("Ocorreu um erro! Tente novemente\r\n"
                                                "caso o erro presista entre em contato com o suporte do tavo."),
                                 Icone::Informacao, QStringLiteral("Erro"));
            fim = Fim::Encerrado;
        }
        Interface::ponteiroPadrao();
        janela.lblMensagem->clear();
    }
    // After the guard, which puts back the buttons as they were before the job.
    // A selection that emptied the working folder and ended without a
    // package leaves nothing to send.
    if (fim == Fim::Pronto) {
        HabilitaBotoesEnvio();
    } else if (esvaziada) {
        janela.Pacote = {};
        DesabilitaBotoesEnvio();
    }
}

void CancelaArquivo_Click(frmPrincipal &janela)
{
    if (TarefaExclusiva::emCurso())
        return;
    std::optional<ErroTavo> falha;
    try {
        LimpaPastaTemp();
    } catch (const ErroTavo &erro) {
        falha = erro;
    }
    janela.Pacote = {};
    DesabilitaBotoesEnvio();
    janela.txtCodigoSRE->clear();
    janela.txtSRE->clear();
    janela.txtCodigoEscola->clear();
    janela.txtEscola->clear();
    janela.txtArquivo->clear();
    janela.lblProgresso->clear();
    janela.txtCaminhoArquivo->clear();
    janela.File1->refresh();
    // A file the folder would not give up stays; the user is told which.
    if (falha)
        CaixaMensagem::aviso(QString::number(falha->numero()) + QStringLiteral(": ") + falha->descricao(), Icone::Critico);
}

bool AgrupaArquivos(frmPrincipal &janela, const QString &pasta)
{
    try {
        janela.File1->setPath(pasta);
        janela.File1->refresh();
        const int entradas = janela.File1->count();
        QStringList pedacos;
        for (int i = 0; i < entradas; ++i) {
            if (EhPedaco(janela.File1->nome(i)))
                pedacos.append(janela.File1->nome(i));
        }
        JuntaPedacos(Caminhos::local(pasta), pedacos);
        janela.File1->refresh();
        for (int i = 0; i < janela.File1->count(); ++i) {
            if (EhPedaco(janela.File1->nome(i)))
                RemoveArquivo(pasta + janela.File1->nome(i));
        }
        janela.File1->refresh();
        return true;
    } catch (const ErroTavo &) {
        return false;
    }
}
