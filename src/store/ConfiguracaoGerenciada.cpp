#include "store/ConfiguracaoGerenciada.h"

#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "store/Banco.h"
#include "store/Configuracao.h"
#include "store/Provisionamento.h"

using Mensagens::Icone;

namespace {

const QString kTitulo = QStringLiteral("Configurações");

QString textoInvalida(const QString &motivo)
{
    return QStringLiteral("As configurações do servidor definidas pela instalação não podem ser usadas.\r\n") + motivo;
}

// A stored row as the log shows it.
QString textoDaLinha(const std::optional<LinhaConfiguracao> &linha)
{
    if (!linha)
        return QStringLiteral("none");
    return QStringLiteral("address %1, %2 port(s) from %3")
        .arg(linha->ipServidor.trimmed(), linha->qtdePortas.trimmed(), linha->portaInicial.trimmed());
}

// Whether the stored row already holds the managed settings.
bool mesmaConfiguracao(const std::optional<LinhaConfiguracao> &guardada,
                       const ConfiguracaoGerenciada::Situacao &gerenciada)
{
    if (!guardada)
        return false;
    try {
        const ConfiguracaoCliente antes = configuracaoDaLinha(*guardada);
        const ConfiguracaoCliente depois =
            configuracaoDaLinha({gerenciada.endereco, gerenciada.portas, gerenciada.portaInicial});
        return antes.IpServidor == depois.IpServidor && antes.QtdePortas == depois.QtdePortas
               && antes.PortaInicial == depois.PortaInicial;
    } catch (const ErroTavo &) {
        return false; // a stored row that cannot be read is replaced
    }
}

} // namespace

namespace ConfiguracaoGerenciada {

QString textoGerenciada()
{
    return QStringLiteral("As configurações do servidor são definidas pela instalação e não podem ser alteradas aqui.");
}

Situacao situacao(const Instalacao &instalacao)
{
    Situacao situacao;
    const auto invalida = [&situacao](const QString &motivo) {
        situacao.tipo = Situacao::Tipo::Invalida;
        situacao.recusa = textoInvalida(motivo);
        return situacao;
    };
    try {
        if (!instalacao.servidorGerenciado())
            return situacao;
    } catch (const ErroTavo &erro) {
        return invalida(erro.descricao());
    }
    const std::optional<ServidorInicial> servidor = instalacao.servidorInicial();
    if (!servidor)
        return invalida(QStringLiteral("Informe ip, portas e porta_inicial em [servidor]."));
    const ServidorInicialConferido conferido = confereServidorInicial(*servidor);
    if (conferido.comando.isEmpty())
        return invalida(conferido.recusa);
    situacao.tipo = Situacao::Tipo::Gerenciada;
    situacao.endereco = conferido.endereco;
    situacao.portas = servidor->portas.trimmed();
    situacao.portaInicial = servidor->portaInicial.trimmed();
    return situacao;
}

Aplicacao aplica(const Instalacao &instalacao, Interlocutor &interlocutor)
{
    const Situacao gerenciada = situacao(instalacao);
    if (gerenciada.tipo == Situacao::Tipo::Livre)
        return Aplicacao::Livre;
    if (gerenciada.tipo == Situacao::Tipo::Invalida) {
        qCWarning(lcBanco).noquote() << "Managed server settings of the site's configuration not applied:"
                                     << gerenciada.recusa;
        interlocutor.avisa(gerenciada.recusa, Icone::Critico, kTitulo);
        return Aplicacao::Invalida;
    }
    const QString banco = instalacao.bancoLocal();
    std::optional<SessaoBanco> sessao;
    try {
        sessao.emplace(banco);
        sessao->ComandoSql = QStringLiteral("select * from configuracao");
        sessao->Consulta.abre(sessao->ComandoSql);
        std::optional<LinhaConfiguracao> guardada;
        if (!sessao->Consulta.fim())
            guardada = LinhaConfiguracao{sessao->Consulta.campo(QStringLiteral("ip_servidor")).toString(),
                                         sessao->Consulta.campo(QStringLiteral("qtde_portas")).toString(),
                                         sessao->Consulta.campo(QStringLiteral("porta_inicial")).toString()};
        sessao->Consulta.fecha();
        if (mesmaConfiguracao(guardada, gerenciada)) {
            sessao->fecha();
            return Aplicacao::Mantida;
        }
        sessao->ComandoSql = comandoSalvaConfiguracao(guardada.has_value(), gerenciada.endereco, gerenciada.portas,
                                                      gerenciada.portaInicial);
        sessao->Conexao.execute(sessao->ComandoSql);
        sessao->fecha();
        qCInfo(lcBanco).noquote() << "Managed server settings of the site's configuration stored in" << banco
                                  << "- before:" << textoDaLinha(guardada) << "- now:"
                                  << textoDaLinha(LinhaConfiguracao{gerenciada.endereco, gerenciada.portas,
                                                                    gerenciada.portaInicial});
        return Aplicacao::Gravada;
    } catch (const ErroTavo &erro) {
        qCWarning(lcBanco).noquote() << "Managed server settings not stored in" << banco << "-" << erro.relato()
                                     << "- statement:" << (sessao ? sessao->ComandoSql : QString());
        return Aplicacao::NaoGravada;
    }
}

bool permiteAlteracao(const Instalacao &instalacao, Interlocutor &interlocutor, bool *invalida)
{
    const Situacao gerenciada = situacao(instalacao);
    if (invalida)
        *invalida = gerenciada.tipo == Situacao::Tipo::Invalida;
    switch (gerenciada.tipo) {
    case Situacao::Tipo::Livre:
        return true;
    case Situacao::Tipo::Gerenciada:
        qCInfo(lcBanco) << "Change of the server settings refused: the site's configuration manages them";
        interlocutor.avisa(textoGerenciada(), Icone::Informacao, kTitulo);
        return false;
    case Situacao::Tipo::Invalida:
        qCWarning(lcBanco).noquote() << "Change of the server settings refused:" << gerenciada.recusa;
        interlocutor.avisa(gerenciada.recusa, Icone::Critico, kTitulo);
        return false;
    }
    return false;
}

} // namespace ConfiguracaoGerenciada
