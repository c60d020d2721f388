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
// names, each read whole from the file (LeitorJet) on first use.

namespace {

using LeitorJet::Leitura;
using LeitorJet::Valor;

constexpr std::uint32_t kMaximoColunas = 256;

QString identificador(const QString &nome)
{
    return QLatin1Char('"') + QString(nome).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString tipoSqlite(Valor tipo)
{
    switch (tipo) {
    case Valor::Inteiro: return QStringLiteral("INTEGER");
    case Valor::Real: return QStringLiteral("REAL");
    case Valor::Texto: return QStringLiteral("TEXT");
    default: return QStringLiteral("BLOB");
    }
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

class ImportadorJet : public ImportadorTabelas
{
public:
    ImportadorJet(QString caminho, QStringList tabelas) : m_caminho(std::move(caminho)), m_tabelas(std::move(tabelas)) {}

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
            grava(LeitorJet::exporta(m_caminho, novas), novas.size(), destino);
        } catch (...) {
            // A table that failed is tried again by the next statement naming it.
            for (const QString &nome : novas)
                m_importadas.remove(nome.toLower());
            throw;
        }
    }

private:
    void grava(const QByteArray &dados, qsizetype quantas, QSqlDatabase &destino)
    {
        Leitura leitura(dados, m_caminho);
        if (!destino.transaction())
            throw CompatibilidadeJet::erroDoBanco(destino.lastError());
        try {
            for (qsizetype t = 0; t < quantas; ++t)
                gravaTabela(leitura, destino);
        } catch (...) {
            destino.rollback();
            throw;
        }
        if (!destino.commit())
            throw CompatibilidadeJet::erroDoBanco(destino.lastError());
    }

    void gravaTabela(Leitura &leitura, QSqlDatabase &destino)
    {
        const QString tabela = leitura.texto();
        const std::uint32_t colunas = leitura.u32();
        if (colunas == 0 || colunas > kMaximoColunas)
            throw LeitorJet::erroArquivo(m_caminho, QStringLiteral("tabela sem colunas: ") + tabela);
        QStringList definicoes;
        QStringList marcadores;
        QStringList nomes;
        for (std::uint32_t c = 0; c < colunas; ++c) {
            const QString nome = leitura.texto();
            nomes.append(nome);
            const auto tipo = static_cast<Valor>(leitura.u8());
            definicoes.append(identificador(nome) + QLatin1Char(' ') + tipoSqlite(tipo));
            marcadores.append(QStringLiteral("?"));
        }
        QSqlQuery consulta(destino);
        if (!consulta.exec(QStringLiteral("CREATE TABLE ") + identificador(tabela) + QStringLiteral(" (")
                           + definicoes.join(QStringLiteral(", ")) + QLatin1Char(')')))
            throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
        if (!consulta.prepare(QStringLiteral("INSERT INTO ") + identificador(tabela) + QStringLiteral(" VALUES (")
                              + marcadores.join(QStringLiteral(", ")) + QLatin1Char(')')))
            throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
        while (leitura.u8() == LeitorJet::kLinha) {
            for (std::uint32_t c = 0; c < colunas; ++c)
                consulta.bindValue(static_cast<int>(c), leValor(leitura));
            if (!consulta.exec())
                throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
        }
        indexaChaves(tabela, nomes, destino);
    }

    // A column whose values are all present and distinct is a key of the
    // school database (an office's code, a school's code) and gets a unique
    // index, as it has there. Joins then look rows up through the key and
    // return them in the order of the other table, the way the school
    // application's engine reads them: the first school of Escola_local comes
    // first, not the school of the first office.
    void indexaChaves(const QString &tabela, const QStringList &colunas, QSqlDatabase &destino)
    {
        QSqlQuery consulta(destino);
        for (qsizetype c = 0; c < colunas.size(); ++c) {
            const QString coluna = identificador(colunas.at(c));
            if (!consulta.exec(QStringLiteral("SELECT count(*), count(DISTINCT %1), count(%1), max(typeof(%1) = 'blob') FROM ")
                                   .arg(coluna)
                               + identificador(tabela))
                || !consulta.next())
                throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
            const qlonglong linhas = consulta.value(0).toLongLong();
            if (linhas == 0 || consulta.value(1).toLongLong() != linhas || consulta.value(2).toLongLong() != linhas
                || consulta.value(3).toInt() == 1)
                continue;
            const QString indice = identificador(QStringLiteral("tavo_chave_%1_%2").arg(tabela, QString::number(c)));
            if (!consulta.exec(QStringLiteral("CREATE UNIQUE INDEX ") + indice + QStringLiteral(" ON ")
                               + identificador(tabela) + QLatin1Char('(') + coluna + QLatin1Char(')')))
                throw CompatibilidadeJet::erroDoBanco(consulta.lastError());
        }
    }

    QVariant leValor(Leitura &leitura)
    {
        switch (static_cast<Valor>(leitura.u8())) {
        case Valor::Nulo: return QVariant();
        case Valor::Inteiro: return QVariant(static_cast<qlonglong>(leitura.i64()));
        case Valor::Real: {
            bool ok = false;
            const double numero = leitura.texto().toDouble(&ok);
            return ok ? QVariant(numero) : QVariant();
        }
        case Valor::Texto: return QVariant(leitura.texto());
        case Valor::Binario: return QVariant(leitura.bytes());
        }
        throw LeitorJet::erroArquivo(m_caminho, QStringLiteral("valor fora do formato"));
    }

    QString m_caminho;
    QStringList m_tabelas;
    QSet<QString> m_importadas;
};

} // namespace

std::unique_ptr<ImportadorTabelas> abreBancoJet(const QString &caminho)
{
    return std::make_unique<ImportadorJet>(caminho, LeitorJet::tabelas(caminho));
}
