#include "store/Configuracao.h"

#include "common/Caminhos.h"
#include "common/Conversao.h"
#include "store/Banco.h"
#include "store/LiteraisSql.h"

#include <QStringList>

QString IpServidor;
std::int16_t QtdePortas = 0;
std::int32_t PortaInicial = 0;

std::optional<LinhaConfiguracao> leConfiguracao()
{
    AbreBanco(Caminhos::naPastaPrograma(Caminhos::bancoLocal()));
    ComandoSql = QStringLiteral("select * from configuracao");
    Consulta().abre(ComandoSql);
    std::optional<LinhaConfiguracao> linha;
    if (!Consulta().fim())
        linha = LinhaConfiguracao{Consulta().texto(QStringLiteral("ip_servidor")),
                                  Consulta().texto(QStringLiteral("qtde_portas")),
                                  Consulta().texto(QStringLiteral("porta_inicial"))};
    FechaBanco();
    return linha;
}

void aplicaConfiguracao(const LinhaConfiguracao &linha)
{
    const QString ip = linha.ipServidor.trimmed();
    const std::int16_t qtde = Conversao::paraInteiro16(linha.qtdePortas.trimmed());
    const std::int32_t porta = Conversao::paraInteiro32(linha.portaInicial.trimmed());
    IpServidor = ip;
    QtdePortas = qtde;
    PortaInicial = porta;
}

QStringList partesDoEndereco(const QString &endereco)
{
    QStringList partes = QString(endereco + QLatin1Char('.')).split(QLatin1Char('.'));
    partes.removeLast(); // the text after the last "." added above
    return partes.mid(0, 4);
}

QString comandoSalvaConfiguracao(bool linhaExiste, const QString &endereco, const QString &qtdePortas,
                                 const QString &portaInicial)
{
    const QString a = LiteraisSql::texto(endereco);
    const QString q = LiteraisSql::numero(qtdePortas.trimmed());
    const QString p = LiteraisSql::numero(portaInicial.trimmed());
    if (linhaExiste)
        return QStringLiteral("update configuracao set") + QStringLiteral(" ip_servidor = ") + a
               + QLatin1Char(',') + QStringLiteral(" qtde_portas=") + q + QLatin1Char(',')
               + QStringLiteral(" porta_inicial=") + p;
    return QStringLiteral("insert into configuracao (ip_servidor,qtde_portas,porta_inicial)")
           + QStringLiteral("  values(") + a + QLatin1Char(',') + q + QLatin1Char(',') + p + QLatin1Char(')');
}
