-- The client's local database, as an installation provides it.
-- data_envio is written day first ("dd/mm/yyyy hh:mm:ss"); the triggers store
-- it as ISO text so that it reads back as a date-time and sorts by time.
CREATE TABLE configuracao (
    ip_servidor   TEXT,
    qtde_portas   INTEGER,
    porta_inicial INTEGER
);

CREATE TABLE Historico (
    Nome_arquivo           TEXT,
    data_envio             DATETIME,
    codigo_ace_estrut_orgn INTEGER,
    codigo_escola          INTEGER,
    tipo_transmissao       TEXT
);

CREATE TABLE ACE_ESTRUT_ORGN (
    codigo    INTEGER PRIMARY KEY,
    descricao TEXT
);

CREATE TRIGGER Historico_data_envio_inserida AFTER INSERT ON Historico
WHEN NEW.data_envio GLOB '[0-3][0-9]/[01][0-9]/[0-9][0-9][0-9][0-9]*'
BEGIN
    UPDATE Historico
       SET data_envio = substr(NEW.data_envio, 7, 4) || '-' || substr(NEW.data_envio, 4, 2) || '-'
                        || substr(NEW.data_envio, 1, 2) || substr(NEW.data_envio, 11)
     WHERE rowid = NEW.rowid;
END;

CREATE TRIGGER Historico_data_envio_alterada AFTER UPDATE OF data_envio ON Historico
WHEN NEW.data_envio GLOB '[0-3][0-9]/[01][0-9]/[0-9][0-9][0-9][0-9]*'
BEGIN
    UPDATE Historico
       SET data_envio = substr(NEW.data_envio, 7, 4) || '-' || substr(NEW.data_envio, 4, 2) || '-'
                        || substr(NEW.data_envio, 1, 2) || substr(NEW.data_envio, 11)
     WHERE rowid = NEW.rowid;
END;
