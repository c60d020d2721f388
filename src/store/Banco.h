#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <memory>

// The one shared database access of the program: one connection (`Conexao`),
// one forward-only query result (`Consulta`) and the statement about to run
// (`ComandoSql`). Every action opens a database in a SessaoBanco, works, and
// leaves the session, which closes it however the action ends; only one is
// open at a time.
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

class ConexaoBanco
{
public:
    // Runs a statement whose result is not used. On a database that can
    // only be read (a Jet file, read through a copy) it raises ErroTavo and
    // changes nothing: a change that would vanish is never reported as done.
    void execute(const QString &sql);
    bool aberta() const;

    QSqlDatabase banco() const;

private:
    friend void AbreBanco(const QString &);
    friend void FechaBanco();
    friend class ConsultaBanco;
    void preparaTabelas(const QString &sql);

    QString m_caminho;
    std::unique_ptr<ImportadorTabelas> m_importador;
};

class ConsultaBanco
{
public:
    // Runs a select on the shared connection and stands on its first row.
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
    std::unique_ptr<QSqlQuery> m_consulta;
    bool m_aberta = false;
    // The result's columns, and the index found for each name asked for.
    QSqlRecord m_colunas;
    mutable QHash<QString, int> m_indices;
};

ConexaoBanco &Conexao();
ConsultaBanco &Consulta();
extern QString ComandoSql;

// The formats of a database file, told by its first bytes.
enum class FormatoBanco { SQLite, Jet, Desconhecido };
FormatoBanco formatoDoBanco(const QString &caminho);

// Opens the database file at the host path `caminho`, replacing any open one.
// When it fails, nothing is left open.
void AbreBanco(const QString &caminho);
// Closes the result if open and the connection, and releases both. Raises
// Erros::ObjetoFechado when no connection was open.
void FechaBanco();

// Loads the database engine (Qt's SQLite driver and SQLite's own set-up,
// paid once by the process) on the calling thread, so that the first
// AbreBanco opens at once. Opens and leaves nothing; false when the engine
// cannot be loaded, which AbreBanco then reports.
bool PreparaMotorBanco();

// One use of the shared database. Creating a session opens the file
// (AbreBanco, which raises what it raises); leaving the session's scope,
// however it is left, closes the shared connection again. fecha() closes on
// the normal path and raises what the closing raises.
class SessaoBanco
{
public:
    explicit SessaoBanco(const QString &caminho);
    ~SessaoBanco();
    SessaoBanco(const SessaoBanco &) = delete;
    SessaoBanco &operator=(const SessaoBanco &) = delete;

    void fecha();

private:
    bool m_aberta = false;
};
