#pragma once

#include <QString>

class ErroTavo;
class Instalacao;
class Interlocutor;

// The local database made ready at start, by the window and by the console,
// only while this client holds the program folder's lock: what an
// interrupted conversion left is removed, a local database of the former
// client (an Access file) is converted into the program's own (the user is
// told, through the interlocutor, when that cannot be done, and the program
// goes on reading what it can), the template is put in place when the
// folder has none, and a database of an earlier version gets the receipts'
// table (store/ReciboEnvio.h). Nothing is raised: a database that cannot be
// read is reported by whatever reads it next. False when the former
// client's database was not converted.
bool preparaBancoLocal(const Instalacao &instalacao, Interlocutor &interlocutor);

// What the user is told when the local database `banco` is not converted.
QString textoConversaoRecusada(const QString &banco, const ErroTavo &erro);
