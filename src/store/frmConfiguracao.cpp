#include "store/frmConfiguracao.h"

#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Erro.h"
#include "store/Banco.h"
#include "store/CarregaConfiguracao.h"
#include "store/Configuracao.h"
#include "store/GravacaoConfiguracao.h"

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Positions are given in twips, as the window was drawn; 15 twips make one
// pixel at 96 dpi.
QRect emPixels(int esquerda, int topo, int largura, int altura)
{
    return {esquerda / 15, topo / 15, largura / 15, altura / 15};
}

template <typename W> W *posiciona(W *widget, const char *nome, QRect geometria)
{
    widget->setObjectName(QLatin1String(nome));
    widget->setGeometry(geometria);
    return widget;
}

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

frmConfiguracao::frmConfiguracao(QWidget *parent)
    : QDialog(parent)
{
    monta();
    Form_Load();
}

void frmConfiguracao::monta()
{
    setObjectName(QStringLiteral("frmConfiguracao"));
    setWindowTitle(QStringLiteral("Configuração"));
    setModal(true);
    // The positions were drawn for an 8-point sans-serif dialog font of
    // Arial's widths; keep the labels inside them.
    QFont fonte(QStringLiteral("Arial"), 8);
    fonte.setStyleHint(QFont::SansSerif);
    setFont(fonte);
    frmeConfig = posiciona(new QGroupBox(QStringLiteral("Configuração de acesso ao Servidor"), this), "frmeConfig",
                           emPixels(0, 0, 4650, 2430));
    setFixedSize(frmeConfig->size());

    auto rotulo = [this](const char *nome, const QString &texto, QRect geometria) {
        auto *label = posiciona(new QLabel(texto, frmeConfig), nome, geometria);
        label->setAccessibleName(texto);
        return label;
    };
    auto caixa = [this](const char *nome, const QString &nomeAcessivel, QRect geometria) {
        auto *edit = posiciona(new QLineEdit(frmeConfig), nome, geometria);
        edit->setAccessibleName(nomeAcessivel);
        return edit;
    };

    Label1 = rotulo("Label1", QStringLiteral("IP do Servidor"), emPixels(135, 540, 1095, 285));
    const int esquerdas[4] = {1305, 2115, 2925, 3765};
    const char *nomes[4] = {"Iparray_0", "Iparray_1", "Iparray_2", "Iparray_3"};
    for (int k = 0; k < 4; ++k) {
        Iparray[k] = caixa(nomes[k], QStringLiteral("IP do servidor, parte %1").arg(k + 1),
                           emPixels(esquerdas[k], 495, 615, 285));
        Iparray[k]->setAlignment(Qt::AlignCenter);
        Iparray[k]->setMaxLength(3);
    }
    QFont pontos(QStringLiteral("MS Sans Serif"), 18);
    Label4 = rotulo("Label4", QStringLiteral("."), emPixels(1980, 315, 90, 435));
    Label5 = rotulo("Label5", QStringLiteral("."), emPixels(2790, 315, 90, 435));
    Label6 = rotulo("Label6", QStringLiteral("."), emPixels(3600, 315, 90, 435));
    for (QLabel *ponto : {Label4, Label5, Label6})
        ponto->setFont(pontos);
    Label2 = rotulo("Label2", QStringLiteral("Qtde. de portas"), emPixels(135, 990, 1185, 285));
    txtQtdePortas = caixa("txtQtdePortas", QStringLiteral("Qtde. de portas"), emPixels(1305, 945, 600, 285));
    Label3 = rotulo("Label3", QStringLiteral("Porta Inicial"), emPixels(2835, 990, 1230, 285));
    txtPortaInicial = caixa("txtPortaInicial", QStringLiteral("Porta Inicial"), emPixels(3780, 945, 600, 285));

    cmdConfirmar = posiciona(new QPushButton(QStringLiteral("Confirmar"), frmeConfig), "cmdConfirmar",
                             emPixels(540, 1800, 1185, 420));
    cmdCancelar = posiciona(new QPushButton(QStringLiteral("Cancelar"), frmeConfig), "cmdCancelar",
                            emPixels(1890, 1800, 1230, 420));
    cmdSair =
        posiciona(new QPushButton(QStringLiteral("Sair"), frmeConfig), "cmdSair", emPixels(3285, 1800, 1185, 420));
    for (QPushButton *b : {cmdConfirmar, cmdCancelar, cmdSair}) {
        b->setAutoDefault(false);
        b->setAccessibleName(b->text());
    }

    for (auto [nome, topo] : {std::pair{"Line1", 1455}, std::pair{"Line2", 2295}}) {
        auto *linha = posiciona(new QFrame(frmeConfig), nome, emPixels(120, topo, 4410, 30));
        linha->setFrameShape(QFrame::HLine);
        linha->setFrameShadow(QFrame::Sunken);
    }

    QWidget *ordem[] = {Iparray[0],      Iparray[1],   Iparray[2],  Iparray[3], txtQtdePortas,
                        txtPortaInicial, cmdConfirmar, cmdCancelar, cmdSair};
    for (std::size_t i = 0; i + 1 < std::size(ordem); ++i)
        setTabOrder(ordem[i], ordem[i + 1]);

    connect(cmdConfirmar, &QPushButton::clicked, this, &frmConfiguracao::cmdConfirmar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmConfiguracao::cmdCancelar_Click);
    connect(cmdSair, &QPushButton::clicked, this, &frmConfiguracao::cmdSair_Click);
}

void frmConfiguracao::Form_Load()
{
    carregaComAviso(QStringLiteral("C"));
}

void frmConfiguracao::carregaComAviso(const QString &modo)
{
    try {
        CarregaConfiguracao(modo, this);
    } catch (const ErroTavo &erro) {
        CaixaMensagem::aviso(QStringLiteral("Não foi possível ler as configurações.") + kCrLf + erro.descricao(),
                             CaixaMensagem::Icone::Critico, QStringLiteral("Configurações"));
    }
}

void frmConfiguracao::cmdConfirmar_Click()
{
    const auto resposta = CaixaMensagem::mostra(
        QStringLiteral("Atenção!") + kCrLf
            + QStringLiteral("Se você alterar as configurações o TAVO UPLOAD poderá não funcionar corretamente.")
            + kCrLf + QStringLiteral("Deseja realmente realizar a alteração?"),
        CaixaMensagem::Botoes::SimNao, CaixaMensagem::Icone::Pergunta, QStringLiteral("TAVO UPLOAD"));
    if (resposta != CaixaMensagem::Resposta::Sim)
        return;
    ConfiguracaoDigitada digitada;
    for (QLineEdit *parte : Iparray)
        digitada.partes.append(parte->text());
    digitada.qtdePortas = txtQtdePortas->text();
    digitada.portaInicial = txtPortaInicial->text();
    CaixaMensagem::Caixas caixas;
    using Campo = GravacaoConfiguracao::Campo;
    if (const std::optional<Campo> vazio = GravacaoConfiguracao::confere(digitada, caixas)) {
        QLineEdit *const caixa = *vazio == Campo::QtdePortas     ? txtQtdePortas
                                 : *vazio == Campo::PortaInicial ? txtPortaInicial
                                 : *vazio == Campo::Ip0          ? Iparray[0]
                                 : *vazio == Campo::Ip1          ? Iparray[1]
                                 : *vazio == Campo::Ip2          ? Iparray[2]
                                                                 : Iparray[3];
        caixa->setFocus();
        return;
    }
    GravacaoConfiguracao::salva(digitada, caixas);
}

void frmConfiguracao::cmdCancelar_Click()
{
    carregaComAviso(QStringLiteral("C"));
    carregaComAviso(QStringLiteral("P"));
}

void frmConfiguracao::cmdSair_Click()
{
    close();
}
