#include "package/modAddZip.h"

#include "package/BibliotecaZip.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/Log.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <type_traits>

namespace {

// The component can be used only with both its writer and its reader: the
// library is loaded once for the run, and each job asks again whether it was.
void confereIniciado()
{
    if (!BibliotecaZip::carregada() || !MotorZip::escritaDisponivel() || !MotorZip::leituraDisponivel())
        throw ErroTavo(Erros::BibliotecaNaoCarregada, QStringLiteral("Erro ao carregar a biblioteca ZIP"));
}

// Runs one job of the component with its start, its end and its failure in
// the log; the progress it reports is not logged.
template <typename F> auto registrado(const char *acao, const QString &arquivoZip, F &&trabalho)
{
    QElapsedTimer relogio;
    relogio.start();
    qCInfo(lcZip).noquote() << acao << arquivoZip;
    const auto termina = [&] {
        qCInfo(lcZip).noquote() << acao << "done:" << arquivoZip << "-" << QFileInfo(arquivoZip).size() << "bytes in"
                                << relogio.elapsed() << "ms";
    };
    try {
        if constexpr (std::is_void_v<decltype(trabalho())>) {
            trabalho();
            termina();
        } else {
            auto resultado = trabalho();
            termina();
            return resultado;
        }
    } catch (const ErroTavo &erro) {
        qCWarning(lcZip).noquote() << acao << "failed:" << arquivoZip << "-" << erro.relato();
        throw;
    }
}

} // namespace

void IniciaComponenteZip()
{
    try {
        if (const Esperado<const BibliotecaZip *> biblioteca = BibliotecaZip::carregada(); !biblioteca)
            throw biblioteca.erro();
        if (!MotorZip::escritaDisponivel())
            throw ErroTavo(Erros::BibliotecaNaoCarregada,
                           QStringLiteral("Erro ao carregar a biblioteca ZIP (compactação)"));
        if (!MotorZip::leituraDisponivel())
            throw ErroTavo(Erros::BibliotecaNaoCarregada,
                           QStringLiteral("Erro ao carregar a biblioteca ZIP (descompactação)"));
    } catch (const ErroTavo &erro) {
        qCWarning(lcZip).noquote() << "ZIP library cannot deflate/inflate:" << erro.relato();
        throw;
    }
}

bool InicializaComponenteZip(Interlocutor &interlocutor, bool comRelator)
{
    try {
        IniciaComponenteZip();
        if (!comRelator)
            throw ErroTavo(Erros::ArgumentoInvalido, QStringLiteral("Chamada de procedimento ou argumento inválido"));
        return true;
    } catch (const ErroTavo &) {
        interlocutor.avisa(QStringLiteral("Erro inicializando bibliotecas ZIP"), Mensagens::Icone::Critico);
        return false;
    }
}

void ZipaArquivo(const Instalacao &instalacao, const QString &arquivoZip, const QString &arquivos,
                 const MotorZip::Relator &relator, const MotorZip::Conferencia &confere)
{
    constexpr int kNivel = 3;
    const QString zip = instalacao.local(arquivoZip);
    registrado("Packing", zip, [&] {
        confereIniciado();
        MotorZip::compacta(zip, instalacao.local(arquivos), Caminhos::nomeArquivo(arquivos), kNivel, relator, confere);
    });
}

void DeszipaArquivo(const Instalacao &instalacao, const QString &arquivoZip, const QString &incluir,
                    const QString &destino, std::int16_t restauraEstrutura, const MotorZip::Relator &relator)
{
    const QString zip = instalacao.local(arquivoZip);
    registrado("Unpacking", zip, [&] {
        confereIniciado();
        MotorZip::extrai(zip, incluir, instalacao.local(destino), restauraEstrutura != 0, relator);
    });
}

ConferenciaPacote ConfereArquivoZip(const Instalacao &instalacao, const QString &arquivoZip,
                                    const MotorZip::Relator &relator, const QString &nome)
{
    const QString zip = instalacao.local(arquivoZip);
    QElapsedTimer relogio;
    relogio.start();
    qCInfo(lcZip).noquote() << "Checking" << zip;
    ConferenciaPacote conferencia;
    try {
        confereIniciado();
    } catch (const ErroTavo &erro) {
        conferencia.falha = erro; // the component cannot be used: nothing is read
    }
    if (!conferencia.falha)
        conferencia = MotorZip::confere(zip, relator, nome);
    if (conferencia.falha) {
        qCWarning(lcZip).noquote() << "Checking failed:" << zip << "-" << conferencia.falha->relato();
        return conferencia;
    }
    qCInfo(lcZip).noquote() << "Checking done:" << zip << "-" << conferencia.tamanho << "bytes,"
                            << conferencia.entradas.size() << "entries, SHA-256"
                            << QString::fromLatin1(conferencia.sha256.toHex()) << "in" << relogio.elapsed() << "ms";
    return conferencia;
}
