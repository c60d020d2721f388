#pragma once

#include "common/Instalacao.h"
#include "store/Configuracao.h"

#include <QDialog>
#include <QList>
#include <QRect>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The server settings window: address, number of ports and first port,
// stored in table configuracao of the local database.
class frmConfiguracao : public QDialog
{
    Q_OBJECT

public:
    // Builds the window and fills its boxes from the stored settings.
    explicit frmConfiguracao(const Instalacao &instalacao, QWidget *parent = nullptr);

Q_SIGNALS:
    // Settings to put into use at once: the ones just saved, or the stored
    // ones "Cancelar" read back.
    void configuracaoEmUso(const ConfiguracaoCliente &configuracao);

protected:
    void changeEvent(QEvent *evento) override;
    bool event(QEvent *evento) override;

private:
    QGroupBox *frmeConfig;
    QLabel *Label1;
    QLineEdit *Iparray[4];
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;
    QLabel *Label2;
    QLineEdit *txtQtdePortas;
    QLabel *Label3;
    QLineEdit *txtPortaInicial;
    QPushButton *cmdConfirmar;
    QPushButton *cmdCancelar;
    QPushButton *cmdSair;

    // A control and its place in twips, as the window was drawn.
    struct Posicao
    {
        QWidget *controle;
        QRect emTwips;
    };
    template <typename W> W *posiciona(W *controle, const char *nome, QRect emTwips)
    {
        registra(controle, nome, emTwips);
        return controle;
    }
    void registra(QWidget *controle, const char *nome, QRect emTwips);
    // Places every control for the window's font (and sizes the window).
    void ajustaAFonte();

    void monta();
    void Form_Load();
    void cmdConfirmar_Click();
    void cmdCancelar_Click();
    void cmdSair_Click();
    // Reads the settings (CarregaConfiguracao), reporting a failure instead
    // of ending the program; what mode "C" reads is shown in the boxes.
    std::optional<ConfiguracaoCliente> carregaComAviso(const QString &modo);

    QList<Posicao> m_posicoes;
    bool m_montada = false;
    const Instalacao m_instalacao;
};
