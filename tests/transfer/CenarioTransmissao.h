#pragma once

#include "ServidorUpload.h"
#include "common/gui/CaixaMensagem.h"
#include "shell/frmPrincipal.h"
#include "transfer/SessaoTransferencia.h"

#include "support/AmbienteTeste.h"
#include "support/CaixasRoteirizadas.h"

#include <QTemporaryDir>

#include <memory>

// An installation ready to send: settings pointing at 127.0.0.1, a package
// made ready as "Gerar" leaves it (in the package folder and copied to the
// working folder: `pacote`). The server, when a test wants one, runs inside
// the test process.
class CenarioEnvio
{
public:
    static const QString kNomePacote;
    // The program's bounds of the transfer's waits that the scenarios of a
    // test program are given (each program sets its own).
    static PrazosEspera prazosIniciais;

    // `qtdePortas` ports from `portaInicial` (0: a free range is found).
    explicit CenarioEnvio(int qtdePortas = 1, quint16 portaInicial = 0);
    virtual ~CenarioEnvio();

    virtual void colocaPacote(const QByteArray &conteudo);
    // Where colocaPacote puts it (program form).
    static QString pacoteGerado();
    static QString pacoteNaPastaTrabalho();
    // A package of exactly `tamanho` bytes (100 at least): one entry of
    // varied bytes, stored.
    void colocaPacote(qint64 tamanho);
    static QByteArray conteudoVariado(qint64 tamanho);

    // Starts the reference server on `porta`, storing under a temporary folder.
    ServidorUpload &iniciaServidor(ConfiguracaoServidor configuracao, quint16 porta);

    // C1 + C2 + C3 + the package, as they must reach the server.
    QByteArray conversaEsperada() const;
    QString pastaRecebidos() const { return m_recebidos.path(); }
    int registros() const;

    AmbienteTeste ambiente;
    // The installation as a start reads it, with `prazosIniciais`: what the
    // window and the session are given, and a send's bounds.
    Instalacao instalacao;
    CaixasRoteirizadas caixas;
    std::unique_ptr<ServidorUpload> servidor;
    quint16 porta = 0;
    int qtdePortas = 1;
    QByteArray conteudo;
    PacoteEscolhido pacote;

private:
    QTemporaryDir m_recebidos;
};

// The main window loaded on that installation, the package chosen in it
// (selected in File1), the identity boxes filled and the periodic type
// chosen.
class CenarioTransmissao : public CenarioEnvio
{
public:
    explicit CenarioTransmissao(int qtdePortas = 1, quint16 portaInicial = 0);
    ~CenarioTransmissao() override;

    using CenarioEnvio::colocaPacote;
    void colocaPacote(const QByteArray &conteudo) override;

    // Answers Yes to the confirmation, OK to the next `avisos` boxes, and
    // presses "Transmitir"; returns when the transfer has ended.
    void transmite(int avisos = 0);

    bool mostraDesconectado() const;
    bool mostraConectado() const;

    std::unique_ptr<frmPrincipal> janela;
};

// The transfer session alone, as "Transmitir" runs it, with the user's side
// scripted (`caixas`) and everything it reports kept.
class CenarioSessao : public CenarioEnvio
{
public:
    explicit CenarioSessao(int qtdePortas = 1, quint16 portaInicial = 0);

    // OK to the next `avisos` boxes, then the transfer of `pacote` to the
    // settings' server with `identidade`; returns how it ended.
    ResultadoEnvio transmite(int avisos = 0);
    // What the last report of each kind left on the window's "Transmissão"
    // tab: the status line (lblstatus), the bar (ProgressTransfer, 0 when
    // never moved), the file line (lblsendingfile), the light.
    QString statusFinal() const { return status.value(status.size() - 1); }
    int progressoFinal() const { return progresso.value(progresso.size() - 1); }
    QString arquivoFinal() const { return arquivos.value(arquivos.size() - 1); }
    bool mostraConectado() const { return !conexoes.isEmpty() && conexoes.last(); }

    CaixaMensagem::Caixas usuario;
    SessaoTransferencia sessao{instalacao, usuario};
    // The school the window's boxes show, the periodic type.
    IdentidadeEnvio identidade;
    QStringList status;
    QList<int> progresso;
    QStringList arquivos;
    QList<bool> conexoes;
};

// The first of `n` consecutive ports of 127.0.0.1 on which nothing listens.
quint16 portasLivres(int n);
