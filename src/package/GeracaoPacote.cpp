#include "package/GeracaoPacote.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "package/ArquivosTrabalho.h"
#include "package/Pedacos.h"
#include "package/modAddZip.h"

#include <QFileInfo>

namespace {

// Runs the steps: a failing step is remembered, with its cause in the log
// (the user's message is the same for all), and the next one runs all the
// same.
class Passos
{
public:
    template <typename F> void executa(const char *nome, F &&passo)
    {
        try {
            passo();
        } catch (const ErroTavo &erro) {
            qCWarning(lcZip).noquote() << "Package generation step failed:" << nome << "-" << erro.relato();
            m_falhou = true;
        } catch (const std::exception &erro) {
            qCWarning(lcZip).noquote() << "Package generation step failed:" << nome << "-" << erro.what();
            m_falhou = true;
        }
    }
    bool falhou() const { return m_falhou; }

private:
    bool m_falhou = false;
};

} // namespace

GeracaoPacote::GeracaoPacote(QString bancoEscola, QDate data)
    : m_bancoEscola(std::move(bancoEscola))
    , m_data(data)
{
}

GeracaoPacote::Resultado GeracaoPacote::executa(const Ouvinte &ouvinte, Interlocutor &interlocutor) const
{
    qCInfo(lcZip).noquote() << "Generating the package of" << Caminhos::local(m_bancoEscola) << "for"
                            << m_data.toString(Qt::ISODate);
    Passos passos;
    std::optional<std::optional<DadosEscola>> identificada;
    passos.executa("identifying the school", [&] {
        identificada = ConsultaDadosEscola(Caminhos::local(m_bancoEscola));
        if (*identificada)
            qCInfo(lcZip).noquote() << "School identified:" << (*identificada)->codigoEscola;
        else
            qCWarning(lcZip) << "No school in the school database";
        if (ouvinte.escolaIdentificada)
            ouvinte.escolaIdentificada(*identificada);
    });
    QString pacote;
    passos.executa("naming the package", [&] {
        // Without a fresh identification there is no code to name the
        // package after: no package is made under an earlier school's name.
        if (!identificada)
            throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Escola não identificada"));
        pacote = NomePacote(*identificada ? (*identificada)->codigoEscola : QString(), m_data);
    });
    passos.executa("packing the school database", [&] {
        if (pacote.isEmpty())
            throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Pacote sem nome"));
        ZipaArquivo(pacote, m_bancoEscola, ouvinte.statusZip);
        // A new package counts only when it reads back whole: one entry, the
        // school database, of the source's size, its CRC checked.
        const QList<MotorZip::Entrada> entradas = TestaArquivoZip(pacote, ouvinte.statusZip);
        const qint64 tamanho = QFileInfo(Caminhos::local(m_bancoEscola)).size();
        if (entradas.size() != 1 || entradas.first().nome != Caminhos::nomeArquivo(m_bancoEscola)
            || entradas.first().tamanho != tamanho)
            throw ErroTavo(MotorZip::ArquivoInvalido, QStringLiteral("O pacote gerado não confere: ") + pacote);
    });
    passos.executa("emptying the working folder", [] { LimpaPastaTemp(); });
    const QString copia = Caminhos::pastaTrabalho() + QLatin1Char('\\') + Caminhos::nomeArquivo(pacote);
    passos.executa("copying the package to the working folder",
                   [&] { CopiaArquivo(pacote, Caminhos::pastaTrabalho() + QLatin1Char('\\')); });

    Resultado resultado;
    resultado.pacote = pacote;
    if (passos.falhou()) {
        qCWarning(lcZip).noquote() << "Package not generated:"
                                   << (pacote.isEmpty() ? QStringLiteral("(no name)") : Caminhos::local(pacote));
        interlocutor.avisa(
            QStringLiteral("Atenção!\r\nOcorreu um erro ao gerar o arquivo.\r\n"
                           "Tente novamente. Caso o erro persista entre em contato com o suporte do TAVO."),
            Mensagens::Icone::Critico, QStringLiteral("Erro ao gerar arquivo"));
        return resultado;
    }
    const DadosEscola escola = identificada->value_or(DadosEscola{});
    resultado.gerado = true;
    qCInfo(lcZip).noquote() << "Package generated:" << Caminhos::local(pacote) << "-"
                            << QFileInfo(Caminhos::local(pacote)).size() << "bytes";
    resultado.escolhido = PacoteEscolhido::comOrigem(pacote, copia, escola.codigoEscola, escola.escola);
    return resultado;
}
