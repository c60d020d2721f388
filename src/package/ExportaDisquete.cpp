#include "package/ExportaDisquete.h"

#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Conversao.h"
#include "common/Erro.h"
#include "common/Interface.h"
#include "package/ArquivosTrabalho.h"
#include "package/Pedacos.h"
#include "shell/ListaArquivos.h"
#include "shell/TarefaExclusiva.h"
#include "shell/frmPrincipal.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

using CaixaMensagem::Icone;

namespace {

const QString kTitulo = QStringLiteral("TAVO");
constexpr int kTentativas = 3;

QString pastaTrabalhoComBarra()
{
    return Caminhos::pastaTrabalho() + QLatin1Char('\\');
}

void naoFoiPossivelCopiar()
{
    CaixaMensagem::aviso(QStringLiteral("Não foi possível copiar para o disquete."), Icone::Critico, kTitulo);
}

// Selects the piece by its name: the working folder holds the pieces alone,
// in name order, unless the package itself lies there too.
void selecionaPedaco(ListaArquivos &lista, const QString &nome)
{
    for (int i = 0; i < lista.count(); ++i) {
        if (lista.nome(i).compare(nome, Qt::CaseInsensitive) == 0) {
            lista.setListIndex(i);
            return;
        }
    }
    throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + nome);
}

// Error 75: the working folder is cleared, the chosen package excepted.
void limpaAposErroDeAcesso(frmPrincipal &janela, const QString &pacoteLocal)
{
    // Best effort: what cannot be removed stays for the next emptying of the
    // folder; the caller tells the user that nothing was copied.
    try {
        janela.File1->setPath(Caminhos::pastaTrabalho());
        janela.File1->refresh();
        const QString mantido = QFileInfo(pacoteLocal).canonicalFilePath();
        for (int i = janela.File1->count() - 1; i >= 0; --i) {
            const QString caminho = pastaTrabalhoComBarra() + janela.File1->nome(i);
            if (!mantido.isEmpty() && QFileInfo(Caminhos::local(caminho)).canonicalFilePath() == mantido)
                continue;
            try {
                RemoveArquivo(caminho);
            } catch (const ErroTavo &) {
                // Left for the next emptying (see above).
            }
        }
        QDir().rmdir(Caminhos::local(Caminhos::pastaTrabalho()));
        janela.File1->refresh();
    } catch (const ErroTavo &) {
    }
}

// Copies the package or its pieces; false when no disk came after the
// allowed prompts (the failure box is already shown).
bool copiaParaDisquetes(frmPrincipal &janela, const QString &pacote, int pedacos)
{
    if (pedacos <= 1) {
        for (int tentativa = 1; tentativa <= kTentativas; ++tentativa) {
            if (DisquetePronto()) {
                CopiaParaMidia(pacote, Caminhos::unidadeDisquete());
                return true;
            }
            CaixaMensagem::aviso(QStringLiteral("Insira um disquete no drive."), Icone::Informacao, kTitulo);
        }
        naoFoiPossivelCopiar();
        return false;
    }
    const QString base = Caminhos::nomeArquivo(pacote);
    for (int i = 1; i <= pedacos; ++i) {
        bool pronto = false;
        for (int tentativa = 1; tentativa <= kTentativas && !pronto; ++tentativa) {
            CaixaMensagem::aviso(QStringLiteral("Insira o disquete ") + QString::number(i) + QStringLiteral(" de ")
                                     + QString::number(pedacos),
                                 Icone::Informacao, kTitulo);
            pronto = DisquetePronto();
        }
        if (!pronto) {
            naoFoiPossivelCopiar();
            return false;
        }
        selecionaPedaco(*janela.File1, NomePedaco(base, i));
        CopiaParaMidia(pastaTrabalhoComBarra() + janela.File1->fileName(), Caminhos::unidadeDisquete());
        janela.File1->setListIndex(-1);
    }
    return true;
}

} // namespace

bool DisquetePronto()
{
    return Caminhos::disquete().presente;
}

std::int16_t DivideArquivo(frmPrincipal &janela, const QString &caminho)
{
    const QString origem = Caminhos::local(caminho);
    if (QuantidadePedacos(QFileInfo(origem).size()) == 0)
        return 0;
    // A package in the working folder itself is left there, next to its pieces.
    LimpaPastaTemp(NaPastaTrabalho(origem) ? origem : QString());
    janela.File1->setPath(Caminhos::pastaTrabalho());
    const int pedacos = CortaEmPedacos(origem, Caminhos::local(Caminhos::pastaTrabalho()), Caminhos::nomeArquivo(caminho),
                                       [&](int) { janela.File1->refresh(); });
    Interface::bipe();
    return Conversao::arredondaInteiro16(pedacos);
}

void cmdDisquete_Click(frmPrincipal &janela)
{
    if (TarefaExclusiva::emCurso())
        return;
    const QString pacote = janela.txtCaminhoArquivo->text().trimmed();
    if (pacote.isEmpty() || !QFileInfo(Caminhos::local(pacote)).isFile()) {
        CaixaMensagem::aviso(QStringLiteral("O Arquivo não existe!"), Icone::Critico);
        return;
    }
    const TarefaExclusiva tarefa(janela);
    try {
        Interface::ponteiroAmpulheta();
        janela.lblMensagem->setText(QStringLiteral("Enviando o arquivo para o disquete. Aguarde..."));
        const std::int16_t pedacos = DivideArquivo(janela, pacote);
        if (copiaParaDisquetes(janela, pacote, pedacos))
            CaixaMensagem::aviso(QStringLiteral("Arquivo copiado com sucesso!"), Icone::Informacao, kTitulo);
    } catch (const ErroTavo &erro) {
        switch (erro.numero()) {
        case Erros::DiscoCheio:
            // Also a write the disk refuses (write protection, a read-only
            // mount): CopiaParaMidia reports it with this number.
            CaixaMensagem::aviso(QStringLiteral("Atenção!\r\nVerifique se o disquete está cheio ou protegido contra gravação!"),
                                 Icone::Critico, QStringLiteral("TAVO - ERRO"));
            break;
        case Erros::AcessoArquivo:
            // An access error left (in the working folder): it is cleared
            // and the export ends, telling the user nothing was copied.
            limpaAposErroDeAcesso(janela, Caminhos::local(pacote));
            naoFoiPossivelCopiar();
            break;
        case Erros::CaminhoNaoEncontrado:
            CaixaMensagem::aviso(QStringLiteral("Verifique se o disquete está no drive!"), Icone::Informacao);
            break;
        default:
            CaixaMensagem::aviso(QString::number(erro.numero()) + QStringLiteral(": ") + erro.descricao(), Icone::Critico);
            break;
        }
    }
    janela.lblMensagem->clear();
    Interface::ponteiroPadrao();
}
