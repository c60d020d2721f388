#include "store/BancoJet.h"

#include "common/Erro.h"
#include "store/CompatibilidadeJet.h"
#include "store/LeitorJet.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

// A statement on a Jet file runs on an in-memory SQLite copy of the tables it
// names, each read whole from the file (LeitorJet) on first use. The copy is
// for reading: nothing is ever written back to a Jet file.

namespace {

using LeitorJet::Leitura;
using LeitorJet::TipoJet;
using LeitorJet::Valor;

constexpr std::uint32_t kMaximoColunas = 256;

QString identificador(const QString &nome)
{
    return QLatin1Char('"') + QString(nome).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

// The declared type that gives a column the SQLite affinity nearest to its
// Jet type: texts stay texts (a school code of digits is not a number),
// date-times keep the declaration of the program's own tables.
QString tipoSqlite(TipoJet tipo)
{
    switch (tipo) {
    case TipoJet::SimNao:
    case TipoJet::Byte:
    case TipoJet::Inteiro:
    case TipoJet::InteiroLongo:
        return QStringLiteral("INTEGER");
    case TipoJet::Simples:
    case TipoJet::Duplo:
        return QStringLiteral("REAL");
    case TipoJet::Moeda:
    case TipoJet::Decimal:
        return QStringLiteral("NUMERIC");
    case TipoJet::DataHora:
        return QStringLiteral("DATETIME");
    case TipoJet::Texto:
    case TipoJet::Memorando:
    case TipoJet::IdReplicacao:
        return QStringLiteral("TEXT");
    case TipoJet::Binario:
    case TipoJet::Ole:
    case TipoJet::Complexo:
        break;
    }
    return QStringLiteral("BLOB");
}

// Names in a statement that may be tables: words and [bracketed names],
// outside quoted literals.
QStringList nomesCitados(const QString &sql)
{
    static const QRegularExpression palavra(
        QStringLiteral("'(?:[^']|'')*'|\\[([^\\]]+)\\]|([\\p{L}_][\\p{L}\\p{N}_]*)"));
    QStringList nomes;
    auto it = palavra.globalMatch(sql);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString nome = m.hasCaptured(1) ? m.captured(1) : m.captured(2);
        if (!nome.isEmpty())
            nomes.append(nome);
    }
    return nomes;
}

QVariant leValor(Leitura &leitura, const QString &caminho)
{
    switch (static_cast<Valor>(leitura.u8())) {
    case Valor::Nulo:
        return QVariant();
    case Valor::Inteiro:
        return QVariant(static_cast<qlonglong>(leitura.i64()));
    case Valor::Real: {
        bool ok = false;
        const double numero = leitura.texto().toDouble(&ok);
        return ok ? QVariant(numero) : QVariant();
    }
    case Valor::Texto:
        return QVariant(leitura.texto());
    case Valor::Binario:
        return QVariant(leitura.bytes());
    }
    throw LeitorJet::erroArquivo(caminho, QStringLiteral("valor fora do formato"));
}

TabelaCopiada copiaTabela(Leitura &leitura, QSqlDatabase &destino, const QString &caminho)
{
    TabelaCopiada copiada;
    copiada.nome = leitura.texto();
    const std::uint32_t colunas = leitura.u32();
    if (colunas == 0 || colunas > kMaximoColunas)
        throw LeitorJet::erroArquivo(caminho, QStringLiteral("tabela sem colunas: ") + copiada.nome);
    QStringList definicoes;
    QStringList marcadores;
    for (std::uint32_t c = 0; c < colunas; ++c) {
        const QString nome = leitura.texto();
        leitura.u8(); // the kind of the values: each value carries its own tag
        const auto tipo = static_cast<TipoJet>(leitura.u8());
        definicoes.append(identificador(nome) + QLatin1Char(' ') + tipoSqlite(tipo));
        marcadores.append(QStringLiteral("?"));
    }
    QSqlQuery consulta(destino);
    if (!consulta.exec(QStringLiteral("CREATE TABLE ") + identificador(copiada.nome) + QStringLiteral(" (")
                       + definicoes.join(QStringLiteral(", ")) + QLatin1Char(')')))
        throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
    if (!consulta.prepare(QStringLiteral("INSERT INTO ") + identificador(copiada.nome) + QStringLiteral(" VALUES (")
                          + marcadores.join(QStringLiteral(", ")) + QLatin1Char(')')))
        throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
    while (leitura.u8() == LeitorJet::kLinha) {
        for (std::uint32_t c = 0; c < colunas; ++c)
            consulta.bindValue(static_cast<int>(c), leValor(leitura, caminho));
        if (!consulta.exec())
            throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
        ++copiada.linhas;
    }
    copiada.declaradas = leitura.i64();
    copiada.paginasIlegiveis = leitura.u32();
    return copiada;
}

class ImportadorJet : public ImportadorTabelas
{
public:
    ImportadorJet(QString caminho, QStringList tabelas)
        : m_caminho(std::move(caminho))
        , m_tabelas(std::move(tabelas))
    {
    }

    void importaTabelasCitadas(const QString &sql, QSqlDatabase &destino) override
    {
        QStringList novas;
        for (const QString &nome : nomesCitados(sql)) {
            for (const QString &tabela : m_tabelas) {
                const QString chave = tabela.toLower();
                if (tabela.compare(nome, Qt::CaseInsensitive) == 0 && !m_importadas.contains(chave)) {
                    m_importadas.insert(chave);
                    novas.append(tabela);
                }
            }
        }
        if (novas.isEmpty())
            return;
        try {
            copiaTabelasJet(LeitorJet::exporta(m_caminho, novas), novas.size(), destino, m_caminho);
        } catch (...) {
            // A table that failed is tried again by the next statement naming it.
            for (const QString &nome : novas)
                m_importadas.remove(nome.toLower());
            throw;
        }
    }

    bool somenteLeitura() const override { return true; }

private:
    QString m_caminho;
    QStringList m_tabelas;
    QSet<QString> m_importadas;
};

} // namespace

std::unique_ptr<ImportadorTabelas> abreBancoJet(const QString &caminho)
{
    return std::make_unique<ImportadorJet>(caminho, LeitorJet::tabelas(caminho));
}

QList<TabelaCopiada> copiaTabelasJet(const QByteArray &exportacao, qsizetype quantas, QSqlDatabase &destino,
                                     const QString &caminho)
{
    Leitura leitura(exportacao, caminho);
    if (!destino.transaction())
        throw CompatibilidadeJet::erroDoBanco(destino.lastError());
    QList<TabelaCopiada> copiadas;
    try {
        for (qsizetype t = 0; t < quantas; ++t)
            copiadas.append(copiaTabela(leitura, destino, caminho));
    } catch (...) {
        destino.rollback();
        throw;
    }
    if (!destino.commit())
        throw CompatibilidadeJet::erroDoBanco(destino.lastError());
    return copiadas;
}
