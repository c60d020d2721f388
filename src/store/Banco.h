#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <memory>

// Database access. Every action opens a database in a SessaoBanco, works
// through the session's connection (`Conexao`), its one forward-only query
// result (`Consulta`) and the statement about to run (`ComandoSql`), and
// leaves the session, which closes its connection however the action ends.
// Nothing of a session outlives it; actions run one after another, one
// session open at a time.
//
// The engine is SQLite. A school database in the Jet (Access) format is read
// through an importer that copies, before each statement, the tables the
// statement names into an in-memory SQLite database, so the same statements
// run on both formats. Failures raise ErroTavo with the engine's numbers.

// Copies into the open SQLite database the tables a statement needs.
class ImportadorTabelas
{
public:
    virtual ~ImportadorTabelas() = default;
    virtual void importaTabelasCitadas(const QString &sql, QSqlDatabase &destino) = 0;
    // True when the copy may only be read: a change would be lost with it.
    virtual bool somenteLeitura() const { return false; }
};

// The connection of one session.
class ConexaoBanco
{
public:
    ConexaoBanco(const ConexaoBanco &) = delete;
    ConexaoBanco &operator=(const ConexaoBanco &) = delete;

    // Runs a statement whose result is not used. On a database that can
    // only be read (a Jet file, read through a copy) it raises ErroTavo and
    // changes nothing: a change that would vanish is never reported as done.
    void execute(const QString &sql);
    // The same with the values of its "?" bound in order; answers the rows
    // the statement changed.
    int execute(const QString &sql, const QVariantList &valores);
    bool aberta() const;

    QSqlDatabase banco() const;

private:
    friend class SessaoBanco;
    friend class ConsultaBanco;
    ConexaoBanco() = default;
    // Opens the file at the host path `caminho` under the connection name
    // `nome`. When it fails, nothing is left open.
    void abre(const QString &nome, const QString &caminho);
    // Closes and releases the connection; false when it was not open.
    bool libera();
    void preparaTabelas(const QString &sql);
    // Before a statement that writes: refused on a former client's file,
    // which is only read; then the tables it names made ready.
    void preparaEscrita(const QString &sql);

    QString m_nome;
    QString m_caminho;
    QSqlDatabase m_banco;
    std::unique_ptr<ImportadorTabelas> m_importador;
};

// The query result of one session.
class ConsultaBanco
{
public:
    explicit ConsultaBanco(ConexaoBanco &conexao)
        : m_conexao(conexao)
    {
    }
    ConsultaBanco(const ConsultaBanco &) = delete;
    ConsultaBanco &operator=(const ConsultaBanco &) = delete;

    // Runs a select on the session's connection and stands on its first row.
    void abre(const QString &sql);
    bool aberta() const { return m_aberta; }
    // End of rows ("EOF").
    bool fim() const;
    void proximo();
    // A column of the current row by name, without regard to case.
    QVariant campo(const QString &nome) const;
    // The same as text; a NULL raises "invalid use of Null".
    QString texto(const QString &nome) const;
    void fecha();

private:
    ConexaoBanco &m_conexao;
    std::unique_ptr<QSqlQuery> m_consulta;
    bool m_aberta = false;
    // The result's columns, and the index found for each name asked for.
    QSqlRecord m_colunas;
    mutable QHash<QString, int> m_indices;
};

// The formats of a database file, told by its first bytes.
enum class FormatoBanco { SQLite, Jet, Desconhecido };
FormatoBanco formatoDoBanco(const QString &caminho);

// The database engine follows the database's own name and opens its journal
// beside it: before it does, a database or a journal name that is another
// user's link is refused (Erros::AtalhoAlheio, naming the link).
void RecusaAtalhoAlheio(const QString &caminho);

// Loads the database engine (Qt's SQLite driver and SQLite's own set-up,
// paid once by the process) on the calling thread, so that the first
// session opens at once. Opens and leaves nothing; false when the engine
// cannot be loaded, which opening a session then reports.
bool PreparaMotorBanco();

// One use of a database. Creating a session opens the database file at the
// host path `caminho` on a connection of its own, which raises ErroTavo and
// leaves nothing open when the file is missing, not a database, or damaged;
// leaving the session's scope, however it is left, closes it again. fecha()
// closes on the normal path; closing a session already closed raises
// Erros::ObjetoFechado.
class SessaoBanco
{
public:
    explicit SessaoBanco(const QString &caminho);
    ~SessaoBanco();
    SessaoBanco(const SessaoBanco &) = delete;
    SessaoBanco &operator=(const SessaoBanco &) = delete;

    void fecha();

    // Whether any session's connection is open now, in the whole program:
    // every way out of an action must leave none.
    static bool algumaAberta();

    ConexaoBanco Conexao;
    ConsultaBanco Consulta{Conexao};
    // The statement about to run, for the log of a failure.
    QString ComandoSql;
};

// A transaction on the open session `sessao`: begun when made, rolled back
// when left without confirma(), however it is left. Statements that must hold
// together run inside one. Raises ErroTavo when it cannot begin.
class TransacaoBanco
{
public:
    explicit TransacaoBanco(SessaoBanco &sessao);
    ~TransacaoBanco();
    TransacaoBanco(const TransacaoBanco &) = delete;
    TransacaoBanco &operator=(const TransacaoBanco &) = delete;

    // Commits. Raises ErroTavo when the engine refuses, the transaction then
    // rolled back.
    void confirma();

private:
    SessaoBanco &m_sessao;
    bool m_aberta = false;
};
