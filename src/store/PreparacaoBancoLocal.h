#pragma once

class Interlocutor;

// The local database made ready at start, by the window and by the console,
// while the program folder's lock is held: a local database of the former
// client (an Access file) is converted into the program's own (the user is
// told, through the interlocutor, when that cannot be done, and the program
// goes on reading what it can), and the template is put in place when the
// folder has none. Nothing is raised: a database that cannot be read is
// reported by whatever reads it next.
void preparaBancoLocal(Interlocutor &interlocutor);
