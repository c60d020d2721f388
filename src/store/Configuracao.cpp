#include "store/Configuracao.h"

#include "common/Conversao.h"
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "store/Banco.h"
#include "store/LiteraisSql.h"

#include <QStringList>

std::optional<LinhaConfiguracao> leConfiguracao(const Instalacao &instalacao)
{
    SessaoBanco sessao(instalacao.bancoLocal());
    sessao.ComandoSql = QStringLiteral("select * from configuracao");
    sessao.Consulta.abre(sessao.ComandoSql);
    std::optional<LinhaConfiguracao> linha;
    if (!sessao.Consulta.fim())
        linha = LinhaConfiguracao{sessao.Consulta.texto(QStringLiteral("ip_servidor")),
                                  sessao.Consulta.texto(QStringLiteral("qtde_portas")),
                                  sessao.Consulta.texto(QStringLiteral("porta_inicial"))};
    sessao.fecha();
    return linha;
}

ConfiguracaoCliente configuracaoDaLinha(const LinhaConfiguracao &linha)
{
    ConfiguracaoCliente configuracao;
    configuracao.IpServidor = linha.ipServidor.trimmed();
    configuracao.QtdePortas = Conversao::paraInteiro16(linha.qtdePortas.trimmed());
    configuracao.PortaInicial = Conversao::paraInteiro32(linha.portaInicial.trimmed());
    return configuracao;
}

std::optional<ConfiguracaoCliente> CarregaConfiguracaoServidor(const Instalacao &instalacao, Interlocutor &interlocutor)
{
    if (const std::optional<LinhaConfiguracao> linha = leConfiguracao(instalacao))
        return configuracaoDaLinha(*linha);
    interlocutor.avisa(QStringLiteral("Bem Vindo ao sistema de Transferência de Arquivos do TAVO (TAVO - Upload).")
                           + QStringLiteral("\r\n")
                           + QStringLiteral("Vá ao menu Configuração e informa as cinfigurações iniciais."),
                       Mensagens::Icone::Informacao, QStringLiteral("TAVO - Upload"));
    return std::nullopt;
}

bool CarregaConfiguracaoInicio(ConfiguracaoCliente &emUso, const Instalacao &instalacao, Interlocutor &interlocutor)
{
    try {
        if (std::optional<ConfiguracaoCliente> guardada = CarregaConfiguracaoServidor(instalacao, interlocutor))
            emUso = std::move(*guardada);
        for (const ProblemaConfiguracao &problema : aplicaOpcoesSitio(emUso, instalacao))
            qCWarning(lcBanco).noquote() << "Site configuration value ignored, its default kept:" << problema.mensagem;
        return true;
    } catch (const ErroTavo &erro) {
        interlocutor.avisa(
            QStringLiteral("Não foi possível ler o banco de dados local \"%1\".").arg(instalacao.bancoLocal())
                + QStringLiteral("\r\n") + erro.descricao(),
            Mensagens::Icone::Critico);
        return false;
    }
}

QStringList partesDoEndereco(const QString &endereco)
{
    QStringList partes = QString(endereco + QLatin1Char('.')).split(QLatin1Char('.'));
    partes.removeLast(); // the text after the last "." added above
    return partes.mid(0, 4);
}

namespace {

// A port setting as typed: a whole number in its range, written plainly.
QString inteiroNoIntervalo(const QString &texto, int minimo, int maximo)
{
    const QString valor = LiteraisSql::numero(texto.trimmed());
    bool ok = false;
    const qlonglong numero = valor.toLongLong(&ok);
    if (!ok || numero < minimo || numero > maximo)
        throw ErroTavo(Erros::Estouro,
                       QStringLiteral("Valor fora do intervalo %1 a %2: '%3'").arg(minimo).arg(maximo).arg(valor));
    return QString::number(numero);
}

} // namespace

QString comandoSalvaConfiguracao(bool linhaExiste, const QString &endereco, const QString &qtdePortas,
                                 const QString &portaInicial)
{
    // A quote has no place in an address; stored, it would be read back as
    // part of the address of every later connection.
    if (endereco.contains(QLatin1Char('\'')))
        throw ErroTavo(Erros::TipoIncompativel, QStringLiteral("Endereço inválido: ") + endereco);
    // Values the settings load could not read back would break every
    // later start: they are refused here.
    const QString q = inteiroNoIntervalo(qtdePortas, 1, 32767);
    const QString p = inteiroNoIntervalo(portaInicial, 1, 65535);
    const QString a = LiteraisSql::texto(endereco);
    if (linhaExiste)
        return QStringLiteral("update configuracao set") + QStringLiteral(" ip_servidor = ") + a + QLatin1Char(',')
               + QStringLiteral(" qtde_portas=") + q + QLatin1Char(',') + QStringLiteral(" porta_inicial=") + p;
    return QStringLiteral("insert into configuracao (ip_servidor,qtde_portas,porta_inicial)")
           + QStringLiteral("  values(") + a + QLatin1Char(',') + q + QLatin1Char(',') + p + QLatin1Char(')');
}

std::chrono::milliseconds ConfiguracaoCliente::prazoConexao() const
{
    return tempoConexao.value_or(padrao.conexao);
}

std::chrono::milliseconds ConfiguracaoCliente::prazoResposta() const
{
    return tempoResposta.value_or(padrao.resposta);
}

std::chrono::milliseconds ConfiguracaoCliente::prazoSemProgresso() const
{
    return tempoSemProgresso.value_or(padrao.semProgresso);
}

Esperado<std::chrono::seconds> lePrazo(const QString &texto, const QString &nome)
{
    bool ok = false;
    const int segundos = texto.trimmed().toInt(&ok);
    if (ok && segundos >= kPrazoMinimoSegundos && segundos <= kPrazoMaximoSegundos)
        return std::chrono::seconds(segundos);
    return ErroTavo(Erros::ArgumentoInvalido,
                    QStringLiteral("%1 deve ser um número inteiro de segundos entre %2 e %3: \"%4\".")
                        .arg(nome)
                        .arg(kPrazoMinimoSegundos)
                        .arg(kPrazoMaximoSegundos)
                        .arg(texto));
}

QList<ProblemaConfiguracao> aplicaOpcoesTransferencia(ConfiguracaoCliente &configuracao,
                                                      const OpcoesTransferencia &opcoes)
{
    QList<ProblemaConfiguracao> problemas;
    const auto prazo = [&](const QString &texto, const char *chave, std::optional<std::chrono::milliseconds> &campo) {
        if (texto.isEmpty())
            return;
        const QString nome = QStringLiteral("[servidor] ") + QLatin1String(chave);
        if (const Esperado<std::chrono::seconds> lido = lePrazo(texto, nome))
            campo = *lido;
        else
            problemas.append({nome, lido.erro().descricao()});
    };
    prazo(opcoes.tempoConexao, "tempo_conexao", configuracao.tempoConexao);
    prazo(opcoes.tempoResposta, "tempo_resposta", configuracao.tempoResposta);
    prazo(opcoes.tempoSemProgresso, "tempo_sem_progresso", configuracao.tempoSemProgresso);
    if (!opcoes.proxy.isEmpty()) {
        const QString nome = QStringLiteral("[servidor] proxy");
        if (const Esperado<ProxyCliente> proxy = ProxyCliente::le(opcoes.proxy)) {
            configuracao.proxy = *proxy;
            // The password inside the value comes first.
            if (!proxy->usuario.isEmpty() && proxy->senha.isEmpty())
                configuracao.proxy.senha = opcoes.senhaProxy;
        } else {
            problemas.append({nome, nome + QStringLiteral(": ") + proxy.erro().descricao()});
        }
    }
    if (!opcoes.senhaRecusada.isEmpty())
        problemas.append({QStringLiteral("[servidor] proxy_senha"), opcoes.senhaRecusada});
    return problemas;
}

QList<ProblemaConfiguracao> aplicaOpcoesSitio(ConfiguracaoCliente &configuracao, const Instalacao &instalacao)
{
    configuracao.padrao = instalacao.prazos;
    return aplicaOpcoesTransferencia(configuracao, instalacao.opcoesTransferencia());
}
