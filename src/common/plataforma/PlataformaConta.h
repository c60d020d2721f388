#pragma once

#include <QString>

// The account the process runs as, as the system's password database knows
// it (a run from cron or a service may have no HOME in its environment).
namespace PlataformaConta {

// The home folder the password database gives the effective user; empty
// when the account has no entry there or the entry names none.
QString pastaPessoal();

} // namespace PlataformaConta
