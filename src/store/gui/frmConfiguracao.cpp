#include "store/gui/frmConfiguracao.h"

#include "common/Erro.h"
#include "common/gui/Acessibilidade.h"
#include "common/gui/CaixaMensagem.h"
#include "store/Banco.h"
#include "store/Configuracao.h"
#include "store/ConfiguracaoGerenciada.h"
#include "store/GravacaoConfiguracao.h"
#include "store/gui/CarregaConfiguracao.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

// The positions were drawn in twips for an 8-point sans-serif dialog font of
// Arial's widths, at 15 twips to the pixel; the three dots in an 18-point font.
constexpr qreal kTwipsPorPixel = 15.0;
constexpr qreal kPontosDesenho = 8.0;
constexpr qreal kPontosDosPontos = 18.0;
// The desktop's usual font size, at which the window is drawn as designed; a
// larger system font draws it larger.
constexpr qreal kPontosSistemaUsual = 9.0;

QFont fonteDesenho(qreal pontos)
{
    QFont fonte(QStringLiteral("Arial"));
    fonte.setStyleHint(QFont::SansSerif);
    fonte.setPointSizeF(pontos);
    return fonte;
}

// The window's font: the design font, grown as much as the system font is
// larger than usual (never smaller than drawn).
QFont fonteJanela()
{
    const QFont sistema = QApplication::font();
    const qreal pontos = sistema.pointSizeF() > 0 ? sistema.pointSizeF() : sistema.pixelSize() * 72.0 / 96.0;
    return fonteDesenho(kPontosDesenho * std::max(1.0, pontos / kPontosSistemaUsual));
}

QRect twips(int esquerda, int topo, int largura, int altura)
{
    return {esquerda, topo, largura, altura};
}

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

frmConfiguracao::frmConfiguracao(const Instalacao &instalacao, QWidget *parent)
    : QDialog(parent)
    , m_instalacao(instalacao)
{
    monta();
    Form_Load();
}

void frmConfiguracao::monta()
{
    setObjectName(QStringLiteral("frmConfiguracao"));
    setWindowTitle(QStringLiteral("Configuração"));
    setModal(true);
    setFont(fonteJanela());
    frmeConfig = posiciona(new QGroupBox(QStringLiteral("Configuração de acesso ao Servidor"), this), "frmeConfig",
                           twips(0, 0, 4650, 2430));

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

    Label1 = rotulo("Label1", QStringLiteral("IP do Servidor"), twips(135, 540, 1095, 285));
    const int esquerdas[4] = {1305, 2115, 2925, 3765};
    const char *nomes[4] = {"Iparray_0", "Iparray_1", "Iparray_2", "Iparray_3"};
    for (int k = 0; k < 4; ++k) {
        Iparray[k] =
            caixa(nomes[k], QStringLiteral("IP do servidor, parte %1").arg(k + 1), twips(esquerdas[k], 495, 615, 285));
        Iparray[k]->setAlignment(Qt::AlignCenter);
        Iparray[k]->setMaxLength(3);
    }
    Label4 = rotulo("Label4", QStringLiteral("."), twips(1980, 315, 90, 435));
    Label5 = rotulo("Label5", QStringLiteral("."), twips(2790, 315, 90, 435));
    Label6 = rotulo("Label6", QStringLiteral("."), twips(3600, 315, 90, 435));
    Label2 = rotulo("Label2", QStringLiteral("Qtde. de portas"), twips(135, 990, 1185, 285));
    txtQtdePortas = caixa("txtQtdePortas", QStringLiteral("Qtde. de portas"), twips(1305, 945, 600, 285));
    Label3 = rotulo("Label3", QStringLiteral("Porta Inicial"), twips(2835, 990, 1230, 285));
    txtPortaInicial = caixa("txtPortaInicial", QStringLiteral("Porta Inicial"), twips(3780, 945, 600, 285));

    cmdConfirmar = posiciona(new QPushButton(QStringLiteral("Confirmar"), frmeConfig), "cmdConfirmar",
                             twips(540, 1800, 1185, 420));
    cmdCancelar =
        posiciona(new QPushButton(QStringLiteral("Cancelar"), frmeConfig), "cmdCancelar", twips(1890, 1800, 1230, 420));
    cmdSair = posiciona(new QPushButton(QStringLiteral("Sair"), frmeConfig), "cmdSair", twips(3285, 1800, 1185, 420));
    for (QPushButton *b : {cmdConfirmar, cmdCancelar, cmdSair}) {
        // No default button: Enter in a box presses nothing, Enter on a
        // button presses that one.
        b->setAutoDefault(false);
        b->setAccessibleName(b->text());
        Acessibilidade::ativaComEnter(b);
    }

    for (auto [nome, topo] : {std::pair{"Line1", 1455}, std::pair{"Line2", 2295}}) {
        auto *linha = posiciona(new QFrame(frmeConfig), nome, twips(120, topo, 4410, 30));
        linha->setFrameShape(QFrame::HLine);
        linha->setFrameShadow(QFrame::Sunken);
    }

    // Each box is labelled by the caption beside it.
    Label1->setBuddy(Iparray[0]);
    Label2->setBuddy(txtQtdePortas);
    Label3->setBuddy(txtPortaInicial);

    QWidget *ordem[] = {Iparray[0],      Iparray[1],   Iparray[2],  Iparray[3], txtQtdePortas,
                        txtPortaInicial, cmdConfirmar, cmdCancelar, cmdSair};
    for (std::size_t i = 0; i + 1 < std::size(ordem); ++i)
        setTabOrder(ordem[i], ordem[i + 1]);

    m_montada = true;
    ajustaAFonte();

    connect(cmdConfirmar, &QPushButton::clicked, this, &frmConfiguracao::cmdConfirmar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmConfiguracao::cmdCancelar_Click);
    connect(cmdSair, &QPushButton::clicked, this, &frmConfiguracao::cmdSair_Click);
}

void frmConfiguracao::registra(QWidget *controle, const char *nome, QRect emTwips)
{
    controle->setObjectName(QLatin1String(nome));
    m_posicoes.append({controle, emTwips});
}

void frmConfiguracao::ajustaAFonte()
{
    // The twips scale with the font the window is drawn in: as designed at
    // the design font, larger with a larger one.
    const qreal escala =
        std::max(1.0, QFontMetricsF(font()).height() / QFontMetricsF(fonteDesenho(kPontosDesenho)).height());
    const QFont pontos = [escala] {
        QFont fonte(QStringLiteral("MS Sans Serif"));
        fonte.setStyleHint(QFont::SansSerif);
        fonte.setPointSizeF(kPontosDosPontos * escala);
        return fonte;
    }();
    for (QLabel *ponto : {Label4, Label5, Label6})
        ponto->setFont(pontos);
    for (const Posicao &posicao : std::as_const(m_posicoes)) {
        const QRectF r(posicao.emTwips);
        posicao.controle->setGeometry(qRound(r.x() * escala / kTwipsPorPixel), qRound(r.y() * escala / kTwipsPorPixel),
                                      qRound(r.width() * escala / kTwipsPorPixel),
                                      qRound(r.height() * escala / kTwipsPorPixel));
    }
    setFixedSize(frmeConfig->size());
}

void frmConfiguracao::changeEvent(QEvent *evento)
{
    QDialog::changeEvent(evento);
    if (evento->type() == QEvent::FontChange && m_montada)
        ajustaAFonte();
}

bool frmConfiguracao::event(QEvent *evento)
{
    // The system font changed while the window is open: drawn in the new one.
    if (evento->type() == QEvent::ApplicationFontChange)
        setFont(fonteJanela());
    return QDialog::event(evento);
}

void frmConfiguracao::Form_Load()
{
    carregaComAviso(QStringLiteral("C"));
}

std::optional<ConfiguracaoCliente> frmConfiguracao::carregaComAviso(const QString &modo)
{
    try {
        const ConfiguracaoCarregada carregada = CarregaConfiguracao(m_instalacao, modo);
        if (const std::optional<ConfiguracaoNaJanela> &naJanela = carregada.naJanela) {
            if (!naJanela->guardada) {
                for (QLineEdit *parte : Iparray)
                    parte->clear();
                txtQtdePortas->clear();
                txtPortaInicial->clear();
            } else {
                for (qsizetype k = 0; k < naJanela->partes.size() && k < qsizetype(std::size(Iparray)); ++k)
                    Iparray[k]->setText(naJanela->partes.at(k));
                txtQtdePortas->setText(naJanela->qtdePortas);
                txtPortaInicial->setText(naJanela->portaInicial);
            }
        }
        return carregada.emUso;
    } catch (const ErroTavo &erro) {
        CaixaMensagem::aviso(QStringLiteral("Não foi possível ler as configurações.") + kCrLf + erro.descricao(),
                             CaixaMensagem::Icone::Critico, QStringLiteral("Configurações"));
        return std::nullopt;
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
    CaixaMensagem::Caixas caixas;
    // Settings the site manages are not the user's to change.
    if (!ConfiguracaoGerenciada::permiteAlteracao(m_instalacao, caixas))
        return;
    ConfiguracaoDigitada digitada;
    for (QLineEdit *parte : Iparray)
        digitada.partes.append(parte->text());
    digitada.qtdePortas = txtQtdePortas->text();
    digitada.portaInicial = txtPortaInicial->text();
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
    if (const std::optional<ConfiguracaoCliente> salva = GravacaoConfiguracao::salva(m_instalacao, digitada, caixas))
        Q_EMIT configuracaoEmUso(*salva);
}

void frmConfiguracao::cmdCancelar_Click()
{
    carregaComAviso(QStringLiteral("C"));
    if (const std::optional<ConfiguracaoCliente> guardada = carregaComAviso(QStringLiteral("P")))
        Q_EMIT configuracaoEmUso(*guardada);
}

void frmConfiguracao::cmdSair_Click()
{
    close();
}
