#pragma once

#include <QDialog>

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
    explicit frmConfiguracao(QWidget *parent = nullptr);

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

private:
    void monta();
    void Form_Load();
    void cmdConfirmar_Click();
    void cmdCancelar_Click();
    void cmdSair_Click();
    // The first empty box, in the order of the checks, with its message.
    // Reads the settings, reporting a failure instead of ending the program.
    void carregaComAviso(const QString &modo);
};
