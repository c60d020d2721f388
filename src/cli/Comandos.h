#pragma once

// The console's commands, one class each.
#include "cli/Comando.h"
#include "store/GravacaoConfiguracao.h"

#include <cstdint>

// configurar --ip A.B.C.D --portas N --porta-inicial P
class ConsoleConfigurar : public Comando
{
public:
    QString nome() const override { return QStringLiteral("configurar"); }
    QString descricao() const override;
    Pasta pasta() const override { return Pasta::Preparada; }
    QList<QCommandLineOption> opcoes() const override;
    QStringList obrigatorias() const override;
    Esperado<void> le(const QCommandLineParser &parser) override;
    int executa(const Instalacao &instalacao, TerminalConsole &terminal) override;

private:
    // The address cut at its dots into the four boxes of the settings
    // window, the number of ports and the first port, as typed. An option
    // not given is an empty box, which the settings' own checks report.
    ConfiguracaoDigitada m_configuracao{{QString(), QString(), QString(), QString()}, {}, {}};
};

// gerar
class ConsoleGerar : public Comando
{
public:
    QString nome() const override { return QStringLiteral("gerar"); }
    QString descricao() const override;
    Pasta pasta() const override { return Pasta::Preparada; }
    int executa(const Instalacao &instalacao, TerminalConsole &terminal) override;
};

// enviar --tipo periodica|anual [--pacote ARQUIVO] [--tentativas N --intervalo S] ...
class ConsoleEnviar : public Comando
{
public:
    QString nome() const override { return QStringLiteral("enviar"); }
    QString descricao() const override;
    Pasta pasta() const override { return Pasta::Preparada; }
    QList<QCommandLineOption> opcoes() const override;
    QStringList obrigatorias() const override { return {QStringLiteral("tipo")}; }
    Esperado<void> le(const QCommandLineParser &parser) override;
    int executa(const Instalacao &instalacao, TerminalConsole &terminal) override;

private:
    // Nothing when not given, which the send's checks report.
    std::optional<bool> m_periodica;
    // Empty: today's package of the school.
    QString m_pacote;
    int m_tentativas = 1;
    int m_intervalo = 30;
    OpcoesTransferenciaLinha m_transferencia;
};

// historico [--mes M] [--ano A] [--tipo todos|periodica|anual]
class ConsoleHistorico : public Comando
{
public:
    QString nome() const override { return QStringLiteral("historico"); }
    QString descricao() const override;
    Pasta pasta() const override { return Pasta::AoLado; }
    QList<QCommandLineOption> opcoes() const override;
    Esperado<void> le(const QCommandLineParser &parser) override;
    int executa(const Instalacao &instalacao, TerminalConsole &terminal) override;

private:
    // Nothing: this month, this year.
    std::optional<std::int16_t> m_mes;
    std::optional<std::int16_t> m_ano;
    // 0 both types, 1 periodic, 2 annual (the history's type index).
    std::int16_t m_tipo = 0;
};

// converter [--aceitar-perdas] [--de ARQUIVO]
class ConsoleConverter : public Comando
{
public:
    QString nome() const override { return QStringLiteral("converter"); }
    QString descricao() const override;
    Pasta pasta() const override { return Pasta::SoTrava; }
    QList<QCommandLineOption> opcoes() const override;
    Esperado<void> le(const QCommandLineParser &parser) override;
    int executa(const Instalacao &instalacao, TerminalConsole &terminal) override;

private:
    int trazAnterior(const Instalacao &instalacao, TerminalConsole &terminal);

    // A file that cannot be read whole is converted with what could be read.
    bool m_aceitaPerdas = false;
    // The former client's database to bring over first (a host path); empty:
    // the one in the program's folder.
    QString m_de;
};

// diagnostico [--proxy P] [--tempo-conexao S] [--tempo-resposta S] [--tempo-sem-progresso S]
class ConsoleDiagnostico : public Comando
{
public:
    QString nome() const override { return QStringLiteral("diagnostico"); }
    QString descricao() const override;
    Pasta pasta() const override { return Pasta::Nenhuma; }
    QList<QCommandLineOption> opcoes() const override { return OpcoesTransferenciaLinha::opcoes(); }
    Esperado<void> le(const QCommandLineParser &parser) override { return m_transferencia.le(parser); }
    int executa(const Instalacao &instalacao, TerminalConsole &terminal) override;

private:
    OpcoesTransferenciaLinha m_transferencia;
};

// The type of transmission as typed: "periodica", "periódica" in any case.
QString tipoDigitado(const QString &texto);
