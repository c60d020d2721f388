#include "intake/SelecaoPacote.h"

#include "common/Caminhos.h"
#include "common/Conversao.h"
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/ListagemPasta.h"
#include "common/Log.h"
#include "package/ArquivosTrabalho.h"
#include "package/Pedacos.h"
#include "package/modAddZip.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

using Mensagens::Botoes;
using Mensagens::Icone;
using Mensagens::Resposta;

namespace {

QString pastaTrabalhoComBarra()
{
    return Caminhos::pastaTrabalho() + QLatin1Char('\\');
}

// The first file of a folder, as its list shows it first.
QString primeiroArquivo(const Instalacao &instalacao, const QString &pasta)
{
    const QStringList arquivos = ArquivosDaPasta(instalacao, pasta);
    if (arquivos.isEmpty())
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Nenhum arquivo em ") + pasta);
    return arquivos.first();
}

} // namespace

SelecaoPacote::SelecaoPacote(const Instalacao &instalacao, QString escolhido, Interlocutor &interlocutor,
                             QObject *parent)
    : QObject(parent)
    , m_instalacao(instalacao)
    , m_escolhido(std::move(escolhido))
    , m_interlocutor(interlocutor)
{
}

SelecaoPacote::Resultado SelecaoPacote::executa()
{
    qCInfo(lcMidia).noquote() << "Package chosen:" << m_escolhido;
    Resultado resultado;
    try {
        resultado.pronto = selecionaPacote(resultado);
    } catch (const ErroTavo &erro) {
        // The user's message says only that something went wrong.
        qCWarning(lcMidia).noquote() << "Package not made ready:" << m_escolhido << "-" << erro.relato();
        m_interlocutor.avisa(QStringLiteral("Ocorreu um erro! Tente novemente\r\n"
                                            "caso o erro presista entre em contato com o suporte do tavo."),
                             Icone::Informacao, QStringLiteral("Erro"));
        resultado.pronto = false;
        resultado.causa = erro.descricao();
    }
    resultado.cancelada = m_cancelada;
    if (!resultado.pronto)
        resultado.pacote = {};
    else
        qCInfo(lcMidia).noquote() << "Package ready to send:" << resultado.pacote.nome() << "-"
                                  << resultado.pacote.tamanho() << "bytes, school" << resultado.pacote.codigoEscola();
    Q_EMIT mensagem(QString());
    return resultado;
}

bool SelecaoPacote::pedeDisquete(const QString &texto)
{
    if (m_interlocutor.pergunta(texto, Botoes::OkCancelar, Icone::Informacao) == Resposta::Ok)
        return true;
    qCInfo(lcMidia).noquote() << "Package selection cancelled at the prompt:" << texto;
    m_cancelada = true;
    m_interlocutor.avisa(QStringLiteral("A Operação foi cancelada!"), Icone::Informacao);
    return false;
}

bool SelecaoPacote::juntaDisquetes(const QString &primeiro)
{
    Q_EMIT mensagem(QStringLiteral("Lendo o primeiro disquete. Aguarde..."));
    CopiaArquivo(m_instalacao, primeiro, pastaTrabalhoComBarra());
    if (!pedeDisquete(QStringLiteral("Insira o último disquete e aperte o botão OK")))
        return false;

    Q_EMIT pasta(Caminhos::unidadeDisquete());
    const QString ultimo = primeiroArquivo(m_instalacao, Caminhos::unidadeDisquete());
    const std::int16_t quantidade = Conversao::paraInteiro16(ultimo.right(3));
    qCInfo(lcMidia).noquote() << "Package spread over" << quantidade << "disks, last piece" << ultimo;
    Q_EMIT caminho(Caminhos::unidadeDisquete() + ultimo);
    Q_EMIT mensagem(QStringLiteral("Lendo o último disquete. Aguarde..."));
    CopiaArquivo(m_instalacao, Caminhos::unidadeDisquete() + ultimo, pastaTrabalhoComBarra());

    for (int i = 2; i <= quantidade - 1; ++i) {
        if (!pedeDisquete(QStringLiteral("Insira o disquete Número ") + QString::number(i)))
            return false;
        Q_EMIT pasta(Caminhos::unidadeDisquete());
        CopiaArquivo(m_instalacao,
                     Caminhos::unidadeDisquete() + primeiroArquivo(m_instalacao, Caminhos::unidadeDisquete()),
                     pastaTrabalhoComBarra());
    }
    Q_EMIT pasta(Caminhos::pastaTrabalho());
    if (!AgrupaArquivos(m_instalacao, pastaTrabalhoComBarra())) {
        // AgrupaArquivos logged why.
        m_interlocutor.avisa(QStringLiteral("Ocorreu um erro ao agrupar os arquivos"), Icone::Critico);
        return false;
    }
    return true;
}

bool SelecaoPacote::selecionaPacote(Resultado &resultado)
{
    Q_EMIT caminho(m_escolhido);
    const QString sufixo = m_escolhido.right(3);

    // A file chosen inside the working folder would go with the emptying:
    // it is read from a copy kept aside.
    std::unique_ptr<QTemporaryDir> guarda;
    QString origem = m_escolhido;
    if (NaPastaTrabalho(m_instalacao, m_instalacao.local(origem))) {
        guarda = std::make_unique<QTemporaryDir>();
        if (!guarda->isValid())
            throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Pasta temporária indisponível"));
        CopiaArquivo(m_instalacao, origem, guarda->path() + QLatin1Char('/'));
        origem = guarda->path() + QLatin1Char('/') + Caminhos::nomeArquivo(origem);
    }
    resultado.esvaziada = true;
    LimpaPastaTemp(m_instalacao);

    if (sufixo == QLatin1String("zip")) {
        CopiaArquivo(m_instalacao, origem, pastaTrabalhoComBarra());
    } else if (sufixo == QLatin1String("001")) {
        if (!juntaDisquetes(origem))
            return false;
    } else {
        qCWarning(lcMidia).noquote() << "Package not accepted: neither a .zip nor a first piece .001:" << m_escolhido;
        m_interlocutor.avisa(QStringLiteral("O Aqruivo escolhido não é valido!"), Icone::Informacao,
                             QStringLiteral("TAVO - UPLOAD"));
        Q_EMIT caminho(QString());
        return false;
    }

    // Unpacks the package (the working folder's first file), identifies the
    // school and removes its database again.
    Q_EMIT pasta(Caminhos::pastaTrabalho());
    const QString nome = primeiroArquivo(m_instalacao, Caminhos::pastaTrabalho());
    const QString pacote = pastaTrabalhoComBarra() + nome;
    // A package is ready only when it reads back whole: a missing, repeated or
    // damaged piece is caught here. The send relies on this read while the
    // file stays as it is.
    const MotorZip::Relator relator = [this](const EventoZip &evento) { Q_EMIT progressoZip(evento); };
    const ConferenciaPacote conferencia = ConfereArquivoZip(m_instalacao, pacote, relator);
    if (conferencia.falha)
        throw *conferencia.falha;
    DeszipaArquivo(m_instalacao, pacote, QStringLiteral("*.*"), pastaTrabalhoComBarra(), 0, relator);
    Q_EMIT zipConcluido();

    const QString banco = pastaTrabalhoComBarra() + QStringLiteral("mirv_dat.mdb");
    const std::optional<DadosEscola> escola = ConsultaDadosEscola(m_instalacao.local(banco));
    Q_EMIT escolaIdentificada(escola);
    RemoveArquivo(m_instalacao, banco);

    // The send copies the package again from its source when the working
    // folder loses it. A package joined from pieces, or chosen inside the
    // working folder, has no such place of its own: the program keeps a copy.
    const DadosEscola identidade = escola.value_or(DadosEscola{});
    resultado.pacote =
        sufixo == QLatin1String("zip") && !guarda
            ? PacoteEscolhido::comOrigem(m_instalacao, m_escolhido, pacote, identidade.codigoEscola, identidade.escola)
            : PacoteEscolhido::comCopiaPropria(m_instalacao, pacote, identidade.codigoEscola, identidade.escola);
    resultado.pacote.guardaConferencia(conferencia);
    Q_EMIT pacotePronto(resultado.pacote);
    Q_EMIT mensagem(QString());
    m_interlocutor.avisa(QStringLiteral("O Arquivo está pronto para ser Transmitido!"), Icone::Informacao);
    return true;
}

bool AgrupaArquivos(const Instalacao &instalacao, const QString &pasta)
{
    try {
        QStringList pedacos;
        for (const QString &nome : ArquivosDaPasta(instalacao, pasta)) {
            if (EhPedaco(nome))
                pedacos.append(nome);
        }
        JuntaPedacos(instalacao.local(pasta), pedacos);
        for (const QString &nome : ArquivosDaPasta(instalacao, pasta)) {
            if (EhPedaco(nome))
                RemoveArquivo(instalacao, pasta + nome);
        }
        qCInfo(lcMidia).noquote() << pedacos.size() << "pieces joined in" << instalacao.local(pasta);
        return true;
    } catch (const ErroTavo &erro) {
        qCWarning(lcMidia).noquote() << "Pieces not joined in" << instalacao.local(pasta) << "-" << erro.relato();
        return false;
    }
}
