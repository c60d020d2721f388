#include "package/modAddZip.h"

#include "common/Caminhos.h"
#include "common/Erro.h"

namespace {

// The component is set up once for the run: both its writer and its reader.
bool g_iniciado = false;

void confereIniciado()
{
    if (!g_iniciado)
        throw ErroTavo(Erros::BibliotecaNaoCarregada, QStringLiteral("Erro ao carregar a biblioteca ZIP"));
}

} // namespace

void IniciaComponenteZip()
{
    if (!MotorZip::escritaDisponivel())
        throw ErroTavo(Erros::BibliotecaNaoCarregada,
                       QStringLiteral("Erro ao carregar a biblioteca ZIP (compactação)"));
    if (!MotorZip::leituraDisponivel())
        throw ErroTavo(Erros::BibliotecaNaoCarregada,
                       QStringLiteral("Erro ao carregar a biblioteca ZIP (descompactação)"));
    g_iniciado = true;
}

void ZipaArquivo(const QString &arquivoZip, const QString &arquivos, const MotorZip::Relator &relator)
{
    constexpr int kNivel = 3;
    confereIniciado();
    MotorZip::compacta(Caminhos::local(arquivoZip), Caminhos::local(arquivos), Caminhos::nomeArquivo(arquivos), kNivel,
                       relator);
}

void DeszipaArquivo(const QString &arquivoZip, const QString &incluir, const QString &destino,
                    std::int16_t restauraEstrutura, const MotorZip::Relator &relator)
{
    confereIniciado();
    MotorZip::extrai(Caminhos::local(arquivoZip), incluir, Caminhos::local(destino), restauraEstrutura != 0, relator);
}

QList<MotorZip::Entrada> TestaArquivoZip(const QString &arquivoZip, const MotorZip::Relator &relator)
{
    confereIniciado();
    return MotorZip::testa(Caminhos::local(arquivoZip), relator);
}
