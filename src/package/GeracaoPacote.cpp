#include "package/GeracaoPacote.h"

#include "common/Caminhos.h"
#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Interlocutor.h"
#include "common/Log.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "package/ArquivosTrabalho.h"
#include "package/Pedacos.h"
#include "package/modAddZip.h"

#include <QFileInfo>

#include <new>

namespace {

// Runs the steps: a failing step is remembered, with its cause in the log
// (the user's message is the same for all), and the next one runs all the
// same.
class Passos
{
public:
    // `falha`: what a failure of the step is, when it is the first.
    template <typename F> void executa(const char *nome, GeracaoPacote::Falha falha, F &&passo)
    {
        try {
            passo();
        } catch (const ErroTavo &erro) {
            qCWarning(lcZip).noquote() << "Package generation step failed:" << nome << "-" << erro.relato();
            // Another user's link is no fault of the school's database: the
            // folders are not usable as they are.
            falhou(erro.numero() == Erros::AtalhoAlheio ? GeracaoPacote::Falha::Gravacao : falha, erro.descricao());
        } catch (const std::bad_alloc &) {
            // Not the school's database nor the disk: the program's memory.
            qCWarning(lcZip).noquote() << "Package generation step failed:" << nome << "- out of memory";
            falhou(GeracaoPacote::Falha::Memoria, QStringLiteral("não há memória suficiente para gerar o pacote."));
        } catch (const std::exception &erro) {
            qCWarning(lcZip).noquote() << "Package generation step failed:" << nome << "-" << erro.what();
            falhou(falha, QString::fromLocal8Bit(erro.what()));
        }
    }
    bool falhou() const { return m_falha != GeracaoPacote::Falha::Nenhuma; }
    GeracaoPacote::Falha falha() const { return m_falha; }
    const QString &causa() const { return m_causa; }

private:
    void falhou(GeracaoPacote::Falha falha, const QString &causa)
    {
        if (falhou())
            return;
        m_falha = falha;
        m_causa = causa;
    }

    GeracaoPacote::Falha m_falha = GeracaoPacote::Falha::Nenhuma;
    QString m_causa;
};

} // namespace

GeracaoPacote::GeracaoPacote(const Instalacao &instalacao, QString bancoEscola, QDate data, Interlocutor &interlocutor,
                             QObject *parent)
    : QObject(parent)
    , m_instalacao(instalacao)
    , m_bancoEscola(std::move(bancoEscola))
    , m_data(data)
    , m_interlocutor(interlocutor)
{
}

// The new package takes the package's name only once it reads back whole
// (one entry, the school database, of the size the database had when packing
// began, every CRC checked) and the database is still the file it was then,
// of the same size and time of change. A database the school-management
// application writes while it is packed gives a torn package: that is tried
// once more, and a database that changes again fails the step with
// `alterado` set.
void GeracaoPacote::empacota(const QString &pacote, bool &alterado)
{
    const QString banco = m_instalacao.local(m_bancoEscola);
    const MotorZip::Relator relator = [this](const EventoZip &evento) { Q_EMIT progressoZip(evento); };
    constexpr int kTentativas = 2;
    for (int tentativa = 1;; ++tentativa) {
        PlataformaArquivos::Identidade antes;
        if (const int codigo = PlataformaArquivos::identidade(banco, antes))
            throw erroDoSistema(codigo, banco);
        const auto mudou = [&] {
            PlataformaArquivos::Identidade agora;
            return PlataformaArquivos::identidade(banco, agora) != 0 || !(agora == antes);
        };
        const auto confere = [&](const QString &pronto) {
            if (mudou())
                throw ErroTavo(MotorZip::ArquivoInvalido,
                               QStringLiteral("O banco de dados da escola foi alterado enquanto era lido: ") + banco);
            const ConferenciaPacote conferencia =
                ConfereArquivoZip(m_instalacao, pronto, relator, Caminhos::nomeArquivo(pacote));
            if (conferencia.falha)
                throw *conferencia.falha;
            const QList<MotorZip::Entrada> &entradas = conferencia.entradas;
            if (entradas.size() != 1 || entradas.first().nome != Caminhos::nomeArquivo(m_bancoEscola)
                || entradas.first().tamanho != antes.tamanho)
                throw ErroTavo(MotorZip::ArquivoInvalido, QStringLiteral("O pacote gerado não confere: ") + pacote);
        };
        try {
            ZipaArquivo(m_instalacao, pacote, m_bancoEscola, relator, confere);
            return;
        } catch (const ErroTavo &) {
            // Noticed at the end, or what broke the packing itself.
            if (!mudou())
                throw;
            qCWarning(lcZip).noquote() << "The school database changed while it was read:" << banco << "- try"
                                       << tentativa << "of" << kTentativas;
            if (tentativa == kTentativas) {
                alterado = true;
                throw;
            }
        }
    }
}

GeracaoPacote::Resultado GeracaoPacote::executa()
{
    qCInfo(lcZip).noquote() << "Generating the package of" << m_instalacao.local(m_bancoEscola) << "for"
                            << m_data.toString(Qt::ISODate);
    Passos passos;
    std::optional<std::optional<DadosEscola>> identificada;
    passos.executa("identifying the school", Falha::Escola, [&] {
        identificada = ConsultaDadosEscola(m_instalacao.local(m_bancoEscola));
        if (*identificada)
            qCInfo(lcZip).noquote() << "School identified:" << (*identificada)->codigoEscola;
        else
            qCWarning(lcZip) << "No school in the school database";
        Q_EMIT escolaIdentificada(*identificada);
    });
    QString pacote;
    passos.executa("naming the package", Falha::Escola, [&] {
        // Without a fresh identification there is no code to name the
        // package after: no package is made under an earlier school's name.
        if (!identificada)
            throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Escola não identificada"));
        pacote = NomePacote(*identificada ? (*identificada)->codigoEscola : QString(), m_data);
    });
    // A package holds the whole database: no more accounts may read it, or
    // its copy in the working folder, than may read the database (Windows;
    // Linux's files are kept to their owner or group as they are made). When
    // that cannot be done, the file keeps the ACL its folder passed on, as
    // every package had before: that is only a warning while it lets no one
    // read what the database does not. A file that would let others read a
    // database kept from them is removed and the step fails.
    const auto leitoresDoBanco = [this](const QString &arquivo) {
        const QString local = m_instalacao.local(arquivo);
        const QString localBanco = m_instalacao.local(m_bancoEscola);
        const int codigo = PlataformaArquivos::igualaLeitores(local, localBanco);
        if (codigo == 0)
            return;
        qCWarning(lcZip).noquote() << "The package's readers could not be made the school database's:" << local << "-"
                                   << PlataformaArquivos::textoDoSistema(codigo);
        if (PlataformaArquivos::outrosPodemLer(local) && !PlataformaArquivos::outrosPodemLer(localBanco)) {
            if (const int removido = PlataformaArquivos::removeArquivo(local))
                qCWarning(lcZip).noquote() << "The package could not be removed:" << local << "-"
                                           << PlataformaArquivos::textoDoSistema(removido);
            throw erroDoSistema(codigo, local);
        }
    };
    bool empacotado = false;
    bool alterado = false;
    passos.executa("packing the school database", Falha::Gravacao, [&] {
        if (pacote.isEmpty())
            throw ErroTavo(Erros::FalhaArquivo, QStringLiteral("Pacote sem nome"));
        empacota(pacote, alterado);
        leitoresDoBanco(pacote);
        empacotado = true;
    });
    passos.executa("emptying the working folder", Falha::Gravacao, [this] { LimpaPastaTemp(m_instalacao); });
    const QString copia = Caminhos::pastaTrabalho() + QLatin1Char('\\') + Caminhos::nomeArquivo(pacote);
    passos.executa("copying the package to the working folder", Falha::Gravacao, [&] {
        // What the package folder holds under that name after a failure is
        // not this generation's package: nothing goes where a send takes it.
        if (!empacotado) {
            qCInfo(lcZip) << "Package not copied to the working folder: it was not made";
            return;
        }
        CopiaArquivo(m_instalacao, pacote, Caminhos::pastaTrabalho() + QLatin1Char('\\'));
        leitoresDoBanco(copia);
    });

    Resultado resultado;
    resultado.pacote = pacote;
    if (passos.falhou()) {
        resultado.falha = alterado ? Falha::BancoAlterado : passos.falha();
        resultado.causa =
            alterado ? QStringLiteral("O banco de dados da escola foi alterado enquanto era lido.") : passos.causa();
        qCWarning(lcZip).noquote() << "Package not generated:"
                                   << (pacote.isEmpty() ? QStringLiteral("(no name)") : m_instalacao.local(pacote));
        m_interlocutor.avisa(
            QStringLiteral("Atenção!\r\nOcorreu um erro ao gerar o arquivo.\r\n"
                           "Tente novamente. Caso o erro persista entre em contato com o suporte do TAVO."),
            Mensagens::Icone::Critico, QStringLiteral("Erro ao gerar arquivo"));
        return resultado;
    }
    const DadosEscola escola = identificada->value_or(DadosEscola{});
    resultado.gerado = true;
    qCInfo(lcZip).noquote() << "Package generated:" << m_instalacao.local(pacote) << "-"
                            << QFileInfo(m_instalacao.local(pacote)).size() << "bytes";
    resultado.escolhido = PacoteEscolhido::comOrigem(m_instalacao, pacote, copia, escola.codigoEscola, escola.escola);
    return resultado;
}
