#include "package/modAddZip.h"

#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Interface.h"
#include "package/MotorZip.h"
#include "package/StatusZip.h"
#include "shell/frmPrincipal.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace {

// What the component keeps for the rest of the run: the windows handed to it
// at set-up, for the writer and for the reader.
struct Componente
{
    bool iniciado = false;
    QPointer<QWidget> janelaPai;
    QPointer<QLineEdit> caixaStatus;
};

Componente g_escritor;
Componente g_leitor;

void iniciaComponente(Componente &componente, bool disponivel, const char *papel)
{
    if (!disponivel)
        throw ErroTavo(48, QStringLiteral("Erro ao carregar a biblioteca ZIP (%1)").arg(QLatin1String(papel)));
    componente.iniciado = true;
}

void defineJanelaPai(Componente &componente, QWidget *janela)
{
    if (!janela)
        throw ErroTavo(5, QStringLiteral("Chamada de procedimento ou argumento inválido"));
    componente.janelaPai = janela;
}

void defineCaixaStatus(Componente &componente, QLineEdit *caixa)
{
    if (!caixa)
        throw ErroTavo(5, QStringLiteral("Chamada de procedimento ou argumento inválido"));
    componente.caixaStatus = caixa;
}

// The status texts go into the status box, which fires its change handler
// at once.
MotorZip::Relator relatorDe(const Componente &componente)
{
    if (!componente.iniciado)
        throw ErroTavo(48, QStringLiteral("Erro ao carregar a biblioteca ZIP"));
    QPointer<QLineEdit> caixa = componente.caixaStatus;
    return [caixa](const QString &status) {
        if (caixa)
            caixa->setText(status);
    };
}

} // namespace

void InicializaZip(QWidget *janela, QLineEdit *caixaStatus)
{
    try {
        iniciaComponente(g_escritor, MotorZip::escritaDisponivel(), "compactação");
        iniciaComponente(g_leitor, MotorZip::leituraDisponivel(), "descompactação");
        defineJanelaPai(g_escritor, janela);
        defineJanelaPai(g_leitor, janela);
        defineCaixaStatus(g_escritor, caixaStatus);
        defineCaixaStatus(g_leitor, caixaStatus);
    } catch (const ErroTavo &) {
        CaixaMensagem::aviso(QStringLiteral("Erro inicializando bibliotecas ZIP"), CaixaMensagem::Icone::Critico);
    }
}

void ZipaArquivo(const QString &arquivoZip, const QString &arquivos)
{
    constexpr int kNivel = 3;
    const MotorZip::Relator relator = relatorDe(g_escritor);
    MotorZip::compacta(Caminhos::local(arquivoZip), Caminhos::local(arquivos), Caminhos::nomeArquivo(arquivos), kNivel,
                       relator);
}

void DeszipaArquivo(const QString &arquivoZip, const QString &incluir, const QString &destino,
                    std::int16_t restauraEstrutura)
{
    const MotorZip::Relator relator = relatorDe(g_leitor);
    MotorZip::extrai(Caminhos::local(arquivoZip), incluir, Caminhos::local(destino), restauraEstrutura != 0, relator);
}

QList<MotorZip::Entrada> TestaArquivoZip(const QString &arquivoZip)
{
    const MotorZip::Relator relator = relatorDe(g_leitor);
    return MotorZip::testa(Caminhos::local(arquivoZip), relator);
}

void txtZip_Change(frmPrincipal &janela)
{
    janela.lblProgresso->setText(LinhaProgresso(janela.txtZip->text()));
    // Lets the label repaint while the job goes on.
    Interface::cedeEventos();
}
