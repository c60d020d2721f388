#include "store/EscritoriosRegionais.h"

#include "common/Instalacao.h"
#include "common/Log.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

#include <optional>

namespace {

const QString kNomeLista = QStringLiteral("escritorios_regionais.tsv");

QList<EscritorioRegional> listaEmbutida()
{
    QFile arquivo(QStringLiteral(":/escritorios_regionais.tsv"));
    if (!arquivo.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return leEscritoriosRegionais(QString::fromUtf8(arquivo.readAll()));
}

// The site's list in `caminho`; nothing, after logging why, when it cannot
// be used.
std::optional<QList<EscritorioRegional>> listaDoSitio(const QString &caminho)
{
    QFile arquivo(caminho);
    QByteArray bytes;
    if (arquivo.open(QIODevice::ReadOnly))
        bytes = arquivo.readAll();
    if (!arquivo.isOpen() || arquivo.error() != QFileDevice::NoError) {
        qCWarning(lcBanco).noquote() << "Regional office list not read, the built-in list is used:" << caminho << "-"
                                     << arquivo.errorString();
        return std::nullopt;
    }
    // Town names in another encoding would be stored garbled in every office.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString texto = utf8.decode(bytes);
    if (utf8.hasError()) {
        qCWarning(lcBanco).noquote() << "Regional office list is not UTF-8 text, the built-in list is used:" << caminho;
        return std::nullopt;
    }
    QList<int> ignoradas;
    const QList<EscritorioRegional> lista = leEscritoriosRegionais(texto, &ignoradas);
    if (lista.isEmpty()) {
        qCWarning(lcBanco).noquote() << "Regional office list has no valid line, the built-in list is used:" << caminho;
        return std::nullopt;
    }
    if (!ignoradas.isEmpty()) {
        QStringList numeros;
        for (const int numero : std::as_const(ignoradas))
            numeros.append(QString::number(numero));
        qCWarning(lcBanco).noquote() << "Regional office list" << caminho
                                     << "- lines that are not a code, a tab and a town ignored:" << numeros.join(u", ");
    }
    return lista;
}

} // namespace

QString arquivoEscritoriosRegionais(const Instalacao &instalacao)
{
    const QString naPasta = instalacao.naPastaPrograma(QLatin1Char('\\') + kNomeLista);
    if (QFileInfo::exists(naPasta))
        return naPasta;
    const QString noSistema = instalacao.pastaSistema() + QLatin1Char('/') + kNomeLista;
    if (QFileInfo::exists(noSistema))
        return noSistema;
    return {};
}

QList<EscritorioRegional> escritoriosRegionais(const Instalacao &instalacao)
{
    const QString arquivo = arquivoEscritoriosRegionais(instalacao);
    if (!arquivo.isEmpty()) {
        if (std::optional<QList<EscritorioRegional>> lista = listaDoSitio(arquivo))
            return *std::move(lista);
    }
    return listaEmbutida();
}

QList<EscritorioRegional> leEscritoriosRegionais(const QString &texto, QList<int> *ignoradas)
{
    QList<EscritorioRegional> lista;
    const QStringList linhas = texto.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < linhas.size(); ++i) {
        const QString linha = linhas.at(i).trimmed();
        if (linha.isEmpty() || linha.startsWith(QLatin1Char('#')))
            continue;
        const QStringList campos = linha.split(QLatin1Char('\t'));
        bool ok = false;
        const int codigo = campos.first().trimmed().toInt(&ok);
        const QString cidade = campos.value(1).trimmed();
        if (campos.size() < 2 || !ok || cidade.isEmpty()) {
            if (ignoradas)
                ignoradas->append(int(i + 1));
            continue;
        }
        const bool provisorio =
            campos.size() > 2 && campos.at(2).trimmed().compare(QLatin1String("provisorio"), Qt::CaseInsensitive) == 0;
        lista.append({codigo, cidade, provisorio});
    }
    return lista;
}
