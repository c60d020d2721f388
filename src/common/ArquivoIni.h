#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// The site's configuration files (tavo-upload.conf), read with plain rules
// so that a value is taken exactly as written or not at all. The file is
// UTF-8 (a BOM at its start is skipped); lines end in LF or CRLF.
//  - "[nome]" starts a section; the settings before the first one, and
//    those of a section named General, are at the top.
//  - "chave=valor": the key runs to the first "=", the value to the end of
//    the line. Blanks (spaces, tabs) around both are dropped, then one pair
//    of double quotes around the whole value, what is inside them kept as
//    it is. A comma or ";" inside a value is part of it.
//  - A line whose first character other than a blank is "#" or ";" is a
//    comment; blank lines count for nothing.
//  - Refused, and logged: a value holding a control character (a tab left
//    inside the value, for one) or bytes that are not UTF-8. The key then
//    counts as absent, even when an earlier line gave it.
//    The log line never shows a password: a proxy's value is shown
//    through ProxyCliente::semSenha, proxy_senha's not at all.
//  - Ignored, and logged: any other line (no "=", an empty key).
// A key given twice keeps its last value. Keys and sections compare with
// regard to case.
namespace ArquivoIni {

struct Leitura
{
    // "secao/chave", or "chave" at the top, and the value as taken.
    QHash<QString, QString> valores;
    // One line for the log per line refused or ignored, naming the file,
    // the line number and, for a value, its key.
    QStringList avisos;
};

// Reads `conteudo`; `arquivo` is the file's name in the log lines.
Leitura le(const QByteArray &conteudo, const QString &arquivo);

// `bytes` as text for a message: UTF-8 kept, each control character and each
// byte that is not UTF-8 written as \xHH.
QString textoEscapado(const QByteArray &bytes);

} // namespace ArquivoIni
