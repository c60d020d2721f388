#include "history/gui/frmHistorico.h"

#include "common/Conversao.h"
#include "common/Erro.h"
#include "common/Relogio.h"
#include "common/gui/Acessibilidade.h"
#include "common/gui/CaixaMensagem.h"
#include "common/gui/Interface.h"
#include "history/GeraHistorico.h"
#include "history/gui/ImpressaoHistorico.h"
#include "history/gui/TextoMultilinha.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QVBoxLayout>

#include <optional>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

template <typename W> W *nomeia(W *widget, const char *nome)
{
    widget->setObjectName(QLatin1String(nome));
    return widget;
}

// The report's font: where "Courier New" is missing, another fixed-pitch
// font takes its place, so the columns stay aligned.
QFont fonteRelatorio()
{
    QFont fonte(QStringLiteral("Courier New"));
    fonte.setPointSizeF(8.25);
    fonte.setStyleHint(QFont::Monospace);
    fonte.setFixedPitch(true);
    return fonte;
}

// The year as typed: a whole number that fits 16 bits, or nothing.
std::optional<std::int16_t> anoDigitado(const QString &texto)
{
    static const QRegularExpression inteiro(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    if (!inteiro.match(texto).hasMatch())
        return std::nullopt;
    try {
        return Conversao::paraInteiro16(texto);
    } catch (const ErroTavo &) {
        // Out of range: refused like any other year that is not a number.
        return std::nullopt;
    }
}

void avisaFalha(const ErroTavo &erro)
{
    CaixaMensagem::aviso(QStringLiteral("Ocorreu um erro ao gerar o histórico.") + kCrLf + erro.descricao(),
                         CaixaMensagem::Icone::Informacao);
}

// Fills a list without selecting anything: its handler runs only when an
// entry is selected afterwards.
void preencheSemSelecionar(QComboBox *lista, const QStringList &itens)
{
    const QSignalBlocker bloqueio(lista);
    lista->clear();
    lista->addItems(itens);
    lista->setCurrentIndex(-1);
}

} // namespace

frmHistorico::frmHistorico(const Instalacao &instalacao, QWidget *parent)
    : QDialog(parent)
    , m_instalacao(instalacao)
{
    monta();
    Form_Load();
}

void frmHistorico::monta()
{
    setObjectName(QStringLiteral("frmHistorico"));
    setWindowTitle(QStringLiteral("Histórico"));
    setModal(true);

    Frame1 = nomeia(new QGroupBox(this), "Frame1");
    Label1 = nomeia(new QLabel(QStringLiteral("Mês"), Frame1), "Label1");
    cmbMes = nomeia(new QComboBox(Frame1), "cmbMes");
    Ano = nomeia(new QLabel(QStringLiteral("Ano"), Frame1), "Ano");
    txtAno = nomeia(new QLineEdit(Frame1), "txtAno");
    txtAno->setMaxLength(4);
    Label2 = nomeia(new QLabel(QStringLiteral("Tipo de Transmissão"), Frame1), "Label2");
    cmbTipoTransmissao = nomeia(new QComboBox(Frame1), "cmbTipoTransmissao");
    cmdAtualizar = nomeia(new QPushButton(QStringLiteral("Atualizar"), Frame1), "cmdAtualizar");
    cmdImprimir = nomeia(new QPushButton(QStringLiteral("Imprimir"), Frame1), "cmdImprimir");
    cmdCancelar = nomeia(new QPushButton(QStringLiteral("Sair"), Frame1), "cmdCancelar");
    for (QPushButton *botao : {cmdAtualizar, cmdImprimir, cmdCancelar}) {
        botao->setAutoDefault(false);
        botao->setAccessibleName(botao->text());
        Acessibilidade::ativaComEnter(botao);
    }
    Label1->setBuddy(cmbMes);
    Ano->setBuddy(txtAno);
    Label2->setBuddy(cmbTipoTransmissao);
    cmbMes->setAccessibleName(QStringLiteral("Mês"));
    txtAno->setAccessibleName(QStringLiteral("Ano"));
    cmbTipoTransmissao->setAccessibleName(QStringLiteral("Tipo de Transmissão"));

    auto *faixa = new QGridLayout(Frame1);
    faixa->addWidget(Label1, 0, 0);
    faixa->addWidget(cmbMes, 1, 0);
    faixa->addWidget(Ano, 0, 1);
    faixa->addWidget(txtAno, 1, 1);
    faixa->addWidget(Label2, 0, 2);
    faixa->addWidget(cmbTipoTransmissao, 1, 2);
    faixa->addWidget(cmdAtualizar, 1, 3);
    faixa->addWidget(cmdImprimir, 1, 4);
    faixa->addWidget(cmdCancelar, 1, 5);
    faixa->setColumnStretch(6, 1);
    txtAno->setFixedWidth(txtAno->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);

    txtHistorico = nomeia(new TextoMultilinha(this), "txtHistorico");
    txtHistorico->setAccessibleName(QStringLiteral("Histórico"));
    txtHistorico->setFont(fonteRelatorio());
    txtHistorico->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtHistorico->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab leaves the report for the next control instead of typing a tab.
    txtHistorico->setTabChangesFocus(true);
    // Wide enough for a whole rule of 91 characters beside the scroll bar.
    const QFontMetrics medidas(txtHistorico->font());
    const int margens = 2 * (txtHistorico->frameWidth() + static_cast<int>(txtHistorico->document()->documentMargin()));
    txtHistorico->setMinimumWidth(medidas.horizontalAdvance(QString(91, QLatin1Char('-'))) + margens
                                  + txtHistorico->verticalScrollBar()->sizeHint().width() + 4);
    txtHistorico->setMinimumHeight(medidas.lineSpacing() * 30);

    auto *janela = new QVBoxLayout(this);
    janela->addWidget(Frame1);
    janela->addWidget(txtHistorico, 1);

    setTabOrder(cmbMes, txtAno);
    setTabOrder(txtAno, cmbTipoTransmissao);
    setTabOrder(cmbTipoTransmissao, cmdAtualizar);
    setTabOrder(cmdAtualizar, cmdImprimir);
    setTabOrder(cmdImprimir, cmdCancelar);
    setTabOrder(cmdCancelar, txtHistorico);

    // A selection made by the program refreshes just as one made by the
    // user; typing a year refreshes nothing.
    connect(cmbMes, &QComboBox::currentIndexChanged, this, &frmHistorico::cmbMes_Click);
    connect(cmbTipoTransmissao, &QComboBox::currentIndexChanged, this, &frmHistorico::cmbTipoTransmissao_Click);
    connect(cmdAtualizar, &QPushButton::clicked, this, &frmHistorico::cmdAtualizar_Click);
    connect(cmdImprimir, &QPushButton::clicked, this, &frmHistorico::cmdImprimir_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmHistorico::cmdCancelar_Click);
}

void frmHistorico::Form_Load()
{
    const QDate hoje = Relogio::agora().date();
    txtAno->setText(QString::number(hoje.year()));

    const QLocale regional;
    QStringList meses;
    for (int mes = 1; mes <= 12; ++mes)
        meses.append(regional.toUpper(regional.standaloneMonthName(mes, QLocale::LongFormat)));
    preencheSemSelecionar(cmbMes, meses);
    preencheSemSelecionar(cmbTipoTransmissao, {});
    // First refresh, with the type list still empty (both types).
    cmbMes->setCurrentIndex(hoje.month() - 1);

    preencheSemSelecionar(cmbTipoTransmissao,
                          {QStringLiteral("Periódica e Anual"), QStringLiteral("Periódica"), QStringLiteral("Anual")});
    // Second refresh, for both types.
    cmbTipoTransmissao->setCurrentIndex(0);
}

void frmHistorico::cmbMes_Click()
{
    cmdAtualizar_Click();
}

void frmHistorico::cmbTipoTransmissao_Click()
{
    cmdAtualizar_Click();
}

void frmHistorico::cmdAtualizar_Click()
{
    const std::optional<std::int16_t> ano = anoDigitado(txtAno->text());
    if (!ano) {
        CaixaMensagem::aviso(QStringLiteral("O ano informado não é válido.") + kCrLf
                                 + QStringLiteral("Informe o ano somente com números, por exemplo %1.")
                                       .arg(Relogio::agora().date().year()),
                             CaixaMensagem::Icone::Informacao);
        txtAno->setFocus();
        txtAno->selectAll();
        return;
    }
    const auto mes = static_cast<std::int16_t>(cmbMes->currentIndex() + 1);
    const auto tipo = static_cast<std::int16_t>(cmbTipoTransmissao->currentIndex());
    GeraHistorico(mes, *ano, tipo);
}

void frmHistorico::GeraHistorico(std::int16_t mes, std::int16_t ano, std::int16_t tipo)
{
    std::optional<QString> relatorio;
    try {
        Interface::GuardaPonteiro ponteiro;
        Interface::ponteiroAmpulheta();
        relatorio = GeraHistoricoOuAtualiza(m_instalacao, mes, ano, tipo);
    } catch (const ErroTavo &erro) {
        avisaFalha(erro);
        return;
    }
    // A table from before the type was recorded was upgraded without a
    // word, and this refresh ends there; the next one shows its rows.
    if (relatorio)
        txtHistorico->setText(*relatorio);
}

void frmHistorico::cmdImprimir_Click()
{
    ImprimeHistorico(txtHistorico->text());
}

void frmHistorico::cmdCancelar_Click()
{
    close();
}
