#pragma once

#include "ServidorUpload.h"
#include "shell/frmPrincipal.h"

#include "support/AmbienteTeste.h"
#include "support/CaixasRoteirizadas.h"

#include <QTemporaryDir>

#include <memory>

// A main window ready to transmit: settings pointing at 127.0.0.1, a package
// made ready as "Gerar" leaves it (in the package folder, copied to the
// working folder and selected in File1, the chosen package), the identity
// boxes filled and the periodic type chosen. The server, when a test wants
// one, runs inside the test process.
class CenarioTransmissao
{
public:
    static const QString kNomePacote;

    // `qtdePortas` ports from `portaInicial` (0: a free range is found).
    explicit CenarioTransmissao(int qtdePortas = 1, quint16 portaInicial = 0);
    ~CenarioTransmissao();

    void colocaPacote(const QByteArray &conteudo);
    // Where colocaPacote puts it (program form).
    static QString pacoteGerado();
    static QString pacoteNaPastaTrabalho();
    // A package of exactly `tamanho` bytes (100 at least): one entry of
    // varied bytes, stored.
    void colocaPacote(qint64 tamanho);
    static QByteArray conteudoVariado(qint64 tamanho);

    // Starts the reference server on `porta`, storing under a temporary folder.
    ServidorUpload &iniciaServidor(ConfiguracaoServidor configuracao, quint16 porta);

    // Answers Yes to the confirmation, OK to the next `avisos` boxes, and
    // presses "Transmitir"; returns when the transfer has ended.
    void transmite(int avisos = 0);

    // C1 + C2 + C3 + the package, as they must reach the server.
    QByteArray conversaEsperada() const;
    QString pastaRecebidos() const { return m_recebidos.path(); }
    int registros() const;
    bool mostraDesconectado() const;
    bool mostraConectado() const;

    AmbienteTeste ambiente;
    CaixasRoteirizadas caixas;
    std::unique_ptr<frmPrincipal> janela;
    std::unique_ptr<ServidorUpload> servidor;
    quint16 porta = 0;
    QByteArray conteudo;

private:
    QTemporaryDir m_recebidos;
};

// The first of `n` consecutive ports of 127.0.0.1 on which nothing listens.
quint16 portasLivres(int n);
