#include "store/GravacaoConfiguracao.h"

#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "store/Banco.h"
#include "store/Configuracao.h"
#include "store/ConfiguracaoGerenciada.h"

using Mensagens::Icone;

namespace GravacaoConfiguracao {

std::optional<Campo> confere(const ConfiguracaoDigitada &configuracao, Interlocutor &interlocutor)
{
    const QString ipIncorreto = QStringLiteral("Verifique se o IP do servidor está correto.");
    const auto parte = [&configuracao](int k) { return configuracao.partes.value(k); };
    const std::pair<Campo, QString> ordem[] = {
        {Campo::Ip0, ipIncorreto},
        {Campo::QtdePortas, QStringLiteral("A Quantidade de Portas utilizada pelo servidor deve ser informada.")},
        {Campo::PortaInicial, QStringLiteral("A Porta inicial deve ser informada.")},
        {Campo::Ip1, ipIncorreto},
        {Campo::Ip2, ipIncorreto},
        {Campo::Ip3, ipIncorreto},
    };
    for (const auto &[campo, mensagem] : ordem) {
        QString texto;
        switch (campo) {
        case Campo::Ip0:
            texto = parte(0);
            break;
        case Campo::Ip1:
            texto = parte(1);
            break;
        case Campo::Ip2:
            texto = parte(2);
            break;
        case Campo::Ip3:
            texto = parte(3);
            break;
        case Campo::QtdePortas:
            texto = configuracao.qtdePortas;
            break;
        case Campo::PortaInicial:
            texto = configuracao.portaInicial;
            break;
        }
        if (texto.trimmed().isEmpty()) {
            interlocutor.avisa(mensagem, Icone::Informacao);
            return campo;
        }
    }
    return std::nullopt;
}

std::optional<ConfiguracaoCliente> salva(const Instalacao &instalacao, const ConfiguracaoDigitada &configuracao,
                                         Interlocutor &interlocutor)
{
    QStringList partes;
    for (int k = 0; k < 4; ++k)
        partes.append(configuracao.partes.value(k).trimmed());
    const QString banco = instalacao.bancoLocal();
    qCInfo(lcBanco).noquote() << "Saving the server settings: address" << partes.join(QLatin1Char('.')) << "ports"
                              << configuracao.qtdePortas << "first port" << configuracao.portaInicial << "in" << banco;
    // Outside the try, so that a failure can still name its statement.
    std::optional<SessaoBanco> sessao;
    try {
        sessao.emplace(banco);
        sessao->ComandoSql = QStringLiteral("select * from configuracao");
        sessao->Consulta.abre(sessao->ComandoSql);
        sessao->ComandoSql = comandoSalvaConfiguracao(!sessao->Consulta.fim(), partes.join(QLatin1Char('.')),
                                                      configuracao.qtdePortas, configuracao.portaInicial);
        sessao->Conexao.execute(sessao->ComandoSql);
        // Closed before the message and the reload, which opens it again.
        sessao->fecha();
        qCInfo(lcBanco) << "Server settings saved";
        interlocutor.avisa(QStringLiteral("Alterações realizadas com sucesso!"), Icone::Informacao,
                           QStringLiteral("Configurações"));
        // What is in use from now on is what was stored.
        const std::optional<LinhaConfiguracao> linha = leConfiguracao(instalacao);
        if (!linha)
            throw ErroTavo(Erros::SemRegistroAtual,
                           QStringLiteral("BOF ou EOF é verdadeiro, ou o registro atual foi excluído."));
        return configuracaoDaLinha(*linha);
    } catch (const ErroTavo &erro) {
        qCWarning(lcBanco).noquote() << "Server settings not saved:" << erro.relato()
                                     << "- statement:" << (sessao ? sessao->ComandoSql : QString());
        // Closed before the message, whatever step failed.
        sessao.reset();
        interlocutor.avisa(
            QStringLiteral("Ocorreu um erro ao salvar as configurações.\r\n"
                           "Tente novamente. Caso o erro persista entre em contato com o suporte do TAVO."),
            Icone::Critico, QStringLiteral("Configurações"));
        return std::nullopt;
    }
}

Configurada configura(const Instalacao &instalacao, const ConfiguracaoDigitada &configuracao,
                      Interlocutor &interlocutor)
{
    bool invalida = false;
    if (!ConfiguracaoGerenciada::permiteAlteracao(instalacao, interlocutor, &invalida))
        return invalida ? Configurada::Invalida : Configurada::Gerenciada;
    if (confere(configuracao, interlocutor))
        return Configurada::CampoVazio;
    return salva(instalacao, configuracao, interlocutor) ? Configurada::Salva : Configurada::NaoSalva;
}

} // namespace GravacaoConfiguracao
