#pragma once

#include "common/Instalacao.h"

#include <QDialog>

#include <cstdint>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TextoMultilinha;

// The history window: the sends of one month of one year, of one type or
// both, as a fixed-width text report that can be printed. Opened modally
// from the main window; building it runs Form_Load, which shows the current
// month's report.
class frmHistorico : public QDialog
{
    Q_OBJECT

public:
    explicit frmHistorico(const Instalacao &instalacao, QWidget *parent = nullptr);

private:
    QGroupBox *Frame1;
    QLabel *Label1;
    QComboBox *cmbMes;
    QLabel *Ano;
    QLineEdit *txtAno;
    QLabel *Label2;
    QComboBox *cmbTipoTransmissao;
    QPushButton *cmdAtualizar;
    QPushButton *cmdImprimir;
    QPushButton *cmdCancelar;
    TextoMultilinha *txtHistorico;

    // Fills and selects the lists; each selection refreshes the report.
    void Form_Load();
    void cmbMes_Click();
    void cmbTipoTransmissao_Click();
    // Reads month, year and type and refreshes. A year that is not a whole
    // number is refused with a message and the report stays as it was.
    void cmdAtualizar_Click();
    // Replaces the report with the one of the given month, year and type
    // index; on failure the previous report stays and a message says why.
    void GeraHistorico(std::int16_t mes, std::int16_t ano, std::int16_t tipo);
    void cmdImprimir_Click();
    void cmdCancelar_Click();

    void monta();
    const Instalacao m_instalacao;
};
