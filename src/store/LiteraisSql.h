#pragma once

#include <QString>

// Values go into statements only through these, so that nothing typed by a
// user or read from a file can change what a statement does.
namespace LiteraisSql {
// 'text' with every single quote doubled.
QString texto(const QString &valor);
// A plain decimal number, checked; anything else raises
// ErroTavo(Erros::TipoIncompativel) and no statement is run.
QString numero(const QString &valor);
} // namespace LiteraisSql
