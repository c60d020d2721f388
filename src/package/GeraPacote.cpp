#include "package/GeraPacote.h"

#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/FormataTamanho.h"
#include "common/Interface.h"
#include "common/Relogio.h"
#include "intake/IdentificaEscola.h"
#include "package/ArquivosTrabalho.h"
#include "package/Pedacos.h"
#include "package/modAddZip.h"
#include "shell/ListaArquivos.h"
#include "shell/TarefaExclusiva.h"
#include "shell/frmPrincipal.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace {

// Runs the steps of the generation: a failing step is remembered and the
// next one runs all the same.
class Passos
{
public:
    template<typename F>
    void executa(F &&passo)
    {
        try {
            passo();
        } catch (const std::exception &) {
            m_falhou = true;
        }
    }
    bool falhou() const { return m_falhou; }

private:
    bool m_falhou = false;
};

// A new package counts only when it reads back whole: one entry, the school
// database, of the source's size, its CRC checked.
void confirmaPacote(const QString &pacote)
{
    const QList<MotorZip::Entrada> entradas = TestaArquivoZip(pacote);
    const QString esperado = Caminhos::nomeArquivo(Caminhos::bancoEscola());
    const qint64 tamanho = QFileInfo(Caminhos::local(Caminhos::bancoEscola())).size();
    if (entradas.size() != 1 || entradas.first().nome != esperado || entradas.first().tamanho != tamanho)
        throw ErroTavo(MotorZip::ArquivoInvalido, QStringLiteral("O pacote gerado não confere: ") + pacote);
}

// The steps of "Gerar"; true when all of them worked.
bool geraPacote(frmPrincipal &janela)
{
    // Pointer and "Aguarde..." are restored on every way out.
    struct Restaura
    {
        frmPrincipal &janela;
        ~Restaura()
        {
            Interface::ponteiroPadrao();
            janela.lblAguarde->hide();
        }
    } restaura{janela};

    Passos passos;
    passos.executa([&] { janela.lblAguarde->show(); });
    passos.executa([&] { Interface::redesenha(&janela); });
    passos.executa([] { Interface::ponteiroAmpulheta(); });
    bool identificada = false;
    passos.executa([&] {
        IdentificaEscola(janela, Caminhos::bancoEscola());
        identificada = true;
    });
    QString pacote;
    passos.executa([&] {
        // Without a fresh identification the code box holds an earlier
        // school's code: no package is made under that name.
        if (!identificada)
            throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Escola não identificada"));
        pacote = NomePacote(janela.txtCodigoEscola->text(), Relogio::agora().date());
    });
    passos.executa([&] {
        if (pacote.isEmpty())
            throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Pacote sem nome"));
        ZipaArquivo(pacote, Caminhos::bancoEscola());
        confirmaPacote(pacote);
    });
    passos.executa([] { LimpaPastaTemp(); });
    passos.executa([&] { CopiaArquivo(pacote, Caminhos::pastaTrabalho() + QLatin1Char('\\')); });
    passos.executa([&] {
        janela.File1->setPath(Caminhos::pastaTrabalho());
        janela.File1->refresh();
        janela.File1->setListIndex(0);
    });
    passos.executa([&] { janela.lblProgresso->clear(); });

    if (passos.falhou()) {
        // Nothing is left to send: the working folder may have lost the
        // package chosen before.
        janela.Pacote = {};
        DesabilitaBotoesEnvio();
        CaixaMensagem::aviso(QStringLiteral("Atenção!\r\nOcorreu um erro ao gerar o arquivo.\r\n"
                                            "Tente novamente. Caso o erro persista entre em contato com o suporte do TAVO."),
                             CaixaMensagem::Icone::Critico, QStringLiteral("Erro ao gerar arquivo"));
        return false;
    }
    janela.txtCaminhoArquivo->setText(pacote);
    const QString copia = janela.File1->path() + QLatin1Char('\\') + janela.File1->fileName();
    janela.Pacote = PacoteEscolhido::comOrigem(
        pacote, Caminhos::pastaTrabalho() + QLatin1Char('\\') + Caminhos::nomeArquivo(pacote),
        janela.txtCodigoEscola->text(), janela.txtEscola->text());
    janela.txtArquivo->setText(janela.File1->fileName() + QStringLiteral(" - ")
                               + FormataTamanho(QFileInfo(Caminhos::local(copia)).size()));
    janela.SSTab->setCurrentIndex(1);
    return true;
}

} // namespace

void cmdGerar_Click(frmPrincipal &janela)
{
    if (TarefaExclusiva::emCurso())
        return;
    bool gerado = false;
    {
        const TarefaExclusiva tarefa(janela);
        gerado = geraPacote(janela);
    }
    // After the guard, which puts back the buttons as they were before the job.
    if (gerado)
        HabilitaBotoesEnvio();
    else
        DesabilitaBotoesEnvio();
}
