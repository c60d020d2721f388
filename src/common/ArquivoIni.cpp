#include "common/ArquivoIni.h"

#include "common/ProxyCliente.h"

#include <QByteArrayView>

namespace ArquivoIni {

namespace {

bool ehBranco(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView semBrancos(QByteArrayView texto)
{
    while (!texto.isEmpty() && ehBranco(texto.front()))
        texto = texto.sliced(1);
    while (!texto.isEmpty() && ehBranco(texto.back()))
        texto.chop(1);
    return texto;
}

bool temControle(const QString &texto)
{
    for (const QChar c : texto) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// A refused value as its log line shows it: a password never shows. The
// value of a key named for one (proxy_senha) not at all, a proxy's without
// its password; the names are compared in any case, a misspelt key's value
// being the same secret.
QString valorMostrado(const QString &chave, const QByteArray &valor)
{
    const QString nome = chave.section(QLatin1Char('/'), -1);
    if (nome.contains(QLatin1String("senha"), Qt::CaseInsensitive))
        return QStringLiteral("***");
    const QString texto = textoEscapado(valor);
    return nome.contains(QLatin1String("proxy"), Qt::CaseInsensitive) ? ProxyCliente::semSenha(texto) : texto;
}

} // namespace

Leitura le(const QByteArray &conteudo, const QString &arquivo)
{
    Leitura leitura;
    QByteArrayView resto(conteudo);
    if (resto.startsWith("\xEF\xBB\xBF"))
        resto = resto.sliced(3);
    QString secao;
    int numero = 0;
    while (!resto.isEmpty()) {
        ++numero;
        const qsizetype fim = resto.indexOf('\n');
        QByteArrayView linha = fim < 0 ? resto : resto.first(fim);
        resto = fim < 0 ? QByteArrayView() : resto.sliced(fim + 1);
        if (linha.endsWith('\r'))
            linha.chop(1);
        const auto onde = [&arquivo, numero] {
            return QStringLiteral("Site configuration %1 line %2").arg(arquivo).arg(numero);
        };

        const QByteArrayView limpa = semBrancos(linha);
        if (limpa.isEmpty() || limpa.front() == '#' || limpa.front() == ';')
            continue;
        if (limpa.front() == '[' && limpa.back() == ']' && limpa.size() >= 2) {
            secao = QString::fromUtf8(semBrancos(limpa.sliced(1, limpa.size() - 2)));
            if (secao == QLatin1String("General"))
                secao.clear();
            continue;
        }
        const qsizetype igual = limpa.indexOf('=');
        const QByteArrayView nome = igual < 0 ? QByteArrayView() : semBrancos(limpa.first(igual));
        if (nome.isEmpty()) {
            leitura.avisos.append(onde()
                                  + (igual < 0 ? QStringLiteral(" ignored: neither a section, a setting nor a "
                                                                "comment")
                                               : QStringLiteral(" ignored: a setting with no key")));
            continue;
        }
        const QString chave = (secao.isEmpty() ? QString() : secao + QLatin1Char('/')) + QString::fromUtf8(nome);

        QByteArrayView valor = semBrancos(limpa.sliced(igual + 1));
        if (valor.size() >= 2 && valor.front() == '"' && valor.back() == '"')
            valor = valor.sliced(1, valor.size() - 2);
        const QString texto = QString::fromUtf8(valor);
        const char *motivo = nullptr;
        if (!valor.isValidUtf8())
            motivo = "holds bytes that are not UTF-8";
        else if (temControle(texto))
            motivo = "holds a control character";
        if (motivo) {
            leitura.avisos.append(QStringLiteral("%1: the value of %2 %3 (%4); the setting counts as absent")
                                      .arg(onde(), textoEscapado(chave.toUtf8()), QLatin1String(motivo),
                                           valorMostrado(chave, valor.toByteArray())));
            leitura.valores.remove(chave);
            continue;
        }
        leitura.valores.insert(chave, texto);
    }
    return leitura;
}

QString textoEscapado(const QByteArray &bytes)
{
    const QByteArrayView todos(bytes);
    QString texto;
    qsizetype i = 0;
    while (i < todos.size()) {
        // The first run from here that is UTF-8 is one character: no longer
        // sequence starts with a shorter valid one.
        QString caractere;
        qsizetype tamanho = 1;
        for (; tamanho <= 4 && i + tamanho <= todos.size(); ++tamanho) {
            if (todos.sliced(i, tamanho).isValidUtf8()) {
                caractere = QString::fromUtf8(todos.sliced(i, tamanho));
                break;
            }
        }
        if (caractere.isEmpty() || caractere.front().category() == QChar::Other_Control) {
            const qsizetype conta = caractere.isEmpty() ? 1 : tamanho;
            for (qsizetype k = 0; k < conta; ++k)
                texto += QString::asprintf("\\x%02X", static_cast<unsigned char>(todos.at(i + k)));
            i += conta;
            continue;
        }
        texto += caractere;
        i += tamanho;
    }
    return texto;
}

} // namespace ArquivoIni
