#include "package/MotorZip.h"

#include "common/Erro.h"
#include "common/plataforma/PlataformaArquivos.h"
#include "package/ArquivosTrabalho.h"
#include "package/BibliotecaZip.h"
#include "package/CompressaoParalela.h"
#include "package/ConferenciaPacote.h"
#include "package/LeituraZip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <zlib.h>

namespace MotorZip {

namespace {

constexpr qint64 kBloco = 64 * 1024;

using LeituraZip::EntradaAberta;
using LeituraZip::erroZip;
using LeituraZip::erroZipCodigo;
using LeituraZip::lz;

int percentual(qint64 feitos, qint64 total)
{
    return total > 0 ? static_cast<int>(feitos * 100 / total) : 100;
}

// An archive opened for reading, discarded on every way out.
class ArquivoLido
{
public:
    explicit ArquivoLido(const QString &caminho)
    {
        // The library opens the name itself: another user's link is refused first.
        if (const int codigo = PlataformaArquivos::confere(caminho))
            throw erroDoSistema(codigo, caminho);
        if (!QFileInfo(caminho).isFile())
            throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + caminho);
        int codigo = 0;
        m_zip = lz().zip_open(QFile::encodeName(caminho).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &codigo);
        if (!m_zip)
            throw erroZipCodigo(codigo, caminho);
    }
    ~ArquivoLido() { lz().zip_discard(m_zip); }
    ArquivoLido(const ArquivoLido &) = delete;
    ArquivoLido &operator=(const ArquivoLido &) = delete;
    zip_t *zip() const { return m_zip; }

private:
    zip_t *m_zip = nullptr;
};

struct EntradaPlanejada
{
    zip_uint64_t indice;
    QString nome;
    QString destino;
    qint64 tamanho;
};

QList<EntradaPlanejada> listaEntradas(zip_t *zip, const QString &caminho)
{
    QList<EntradaPlanejada> lista;
    const zip_int64_t total = lz().zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < total; ++i) {
        zip_stat_t info;
        lz().zip_stat_init(&info);
        if (lz().zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &info) != 0)
            throw erroZip(lz().zip_get_error(zip), caminho);
        const QString nome = (info.valid & ZIP_STAT_NAME) ? QString::fromUtf8(info.name) : QString();
        const qint64 tamanho = (info.valid & ZIP_STAT_SIZE) ? static_cast<qint64>(info.size) : 0;
        lista.append({static_cast<zip_uint64_t>(i), nome, {}, tamanho});
    }
    return lista;
}

QString nomeNaPasta(const QString &nome)
{
    QString relativo = nome;
    relativo.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return relativo;
}

bool casaInclusao(const QString &nome, const QString &incluir)
{
    if (incluir.isEmpty() || incluir == QLatin1String("*.*") || incluir == QLatin1String("*"))
        return true;
    const QString simples = nome.mid(nome.lastIndexOf(QLatin1Char('/')) + 1);
    return QRegularExpression::fromWildcard(incluir, Qt::CaseInsensitive).match(simples).hasMatch();
}

// The source of the entry being written: hands the library the entry's data
// already deflated (on every core, see CompressaoParalela) and counts the
// source's bytes whose compressed form it has handed over, which is what the
// progress of a zip job really is. The CRC and the sizes are known, and
// stated, once the data is complete.
struct FonteContada
{
    QString caminho;
    QString nome;
    int nivel = 3;
    qint64 total = 0;
    int ultimo = -1;
    time_t modificado = 0;
    PlataformaArquivos::Arquivo arquivo;
    std::unique_ptr<CompressaoParalela> compressor;
    bool completa = false;
    quint32 crc = 0;
    qint64 lidos = 0;
    qint64 comprimidos = 0;
    const Relator *relator = nullptr;
    std::exception_ptr falhaRelator;
    zip_error_t erro;
};

// The compressor's failure as the library's error.
void registraFalha(FonteContada &fonte)
{
    switch (fonte.compressor->falha()) {
    case CompressaoParalela::Falha::Leitura:
        lz().zip_error_set(&fonte.erro, ZIP_ER_READ, fonte.compressor->codigoFalha());
        break;
    case CompressaoParalela::Falha::Compressao:
        lz().zip_error_set(&fonte.erro, fonte.compressor->codigoFalha() == Z_MEM_ERROR ? ZIP_ER_MEMORY : ZIP_ER_ZLIB,
                           fonte.compressor->codigoFalha());
        break;
    case CompressaoParalela::Falha::Prazo:
    case CompressaoParalela::Falha::Nenhuma:
        lz().zip_error_set(&fonte.erro, ZIP_ER_INTERNAL, 0);
        break;
    }
}

void informa(FonteContada &fonte, AcaoZip acao, int percentual)
{
    if (percentual == fonte.ultimo)
        return;
    fonte.ultimo = percentual;
    if (*fonte.relator)
        (*fonte.relator)({acao, fonte.nome, percentual});
}

zip_int64_t chamadaFonte(void *dados, void *buffer, zip_uint64_t tamanho, zip_source_cmd_t comando)
{
    auto &fonte = *static_cast<FonteContada *>(dados);
    switch (comando) {
    case ZIP_SOURCE_OPEN:
        if (const int codigo = fonte.arquivo.abreLeitura(fonte.caminho)) {
            lz().zip_error_set(&fonte.erro, ZIP_ER_OPEN, codigo);
            return -1;
        }
        fonte.completa = false;
        // The workers run from here to ZIP_SOURCE_CLOSE, inside compacta.
        fonte.compressor = std::make_unique<CompressaoParalela>(
            [&arquivo = fonte.arquivo](char *destino, qint64 maximo, int &erro) -> qint64 {
                qint64 n = 0;
                erro = arquivo.le(destino, maximo, n);
                return erro != 0 ? -1 : n;
            },
            CompressaoParalela::Opcoes{fonte.nivel, CompressaoParalela::kBlocoPadrao, 0});
        return 0;
    case ZIP_SOURCE_READ: {
        if (!fonte.compressor) {
            lz().zip_error_set(&fonte.erro, ZIP_ER_INTERNAL, 0);
            return -1;
        }
        const qint64 n = fonte.compressor->le(static_cast<char *>(buffer), static_cast<qint64>(tamanho));
        if (n < 0) {
            registraFalha(fonte);
            return -1;
        }
        if (fonte.compressor->concluida()) {
            fonte.completa = true;
            fonte.crc = fonte.compressor->crc();
            fonte.lidos = fonte.compressor->tamanhoEntrada();
            fonte.comprimidos = fonte.compressor->tamanhoSaida();
        }
        // The relay runs window code; nothing may unwind through the library.
        try {
            informa(fonte, AcaoZip::Zipando,
                    percentual(std::min(fonte.compressor->entradaEntregue(), fonte.total), fonte.total));
        } catch (...) {
            fonte.falhaRelator = std::current_exception();
            lz().zip_error_set(&fonte.erro, ZIP_ER_CANCELLED, 0);
            return -1;
        }
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        // Only read from: nothing to report on closing. The workers end here.
        fonte.compressor.reset();
        fonte.arquivo = {};
        return 0;
    case ZIP_SOURCE_STAT: {
        if (tamanho < sizeof(zip_stat_t)) {
            lz().zip_error_set(&fonte.erro, ZIP_ER_INVAL, 0);
            return -1;
        }
        auto *info = static_cast<zip_stat_t *>(buffer);
        lz().zip_stat_init(info);
        // Deflated data: the library writes it as it comes. It reads the
        // CRC and the sizes only after the data, from the stat it asks for
        // then.
        info->comp_method = ZIP_CM_DEFLATE;
        info->encryption_method = ZIP_EM_NONE;
        info->size = static_cast<zip_uint64_t>(fonte.total);
        info->mtime = fonte.modificado;
        info->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
        if (fonte.completa) {
            info->size = static_cast<zip_uint64_t>(fonte.lidos);
            info->comp_size = static_cast<zip_uint64_t>(fonte.comprimidos);
            info->crc = fonte.crc;
            info->valid |= ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC;
        }
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return lz().zip_error_to_data(&fonte.erro, buffer, tamanho);
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return lz().zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                   ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        lz().zip_error_set(&fonte.erro, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// The archive's file, as the library writes it. The library hands its
// writes over 8 KiB at a time, and the file it opens itself passes each on as
// two system calls of 4 KiB; here they are gathered into writes of 1 MiB (a
// 20 MB package: 5,200 system calls became 32, and writing went from 2.3 %
// of the job's processor time to 0.7 %). It is written under a temporary
// name in the archive's folder and closed when the library commits; it is
// put in place of the old archive in one step only by poeNoLugar(), once
// the caller has checked it, and removed on every other way out. It is not
// flushed to the medium (the package is made in the working folder).
class DestinoZip
{
public:
    explicit DestinoZip(const QString &caminho)
        : m_caminho(caminho)
    {
        lz().zip_error_init(&m_erro);
    }
    ~DestinoZip()
    {
        descarta();
        lz().zip_error_fini(&m_erro);
    }
    DestinoZip(const DestinoZip &) = delete;
    DestinoZip &operator=(const DestinoZip &) = delete;

    static zip_int64_t chamada(void *dados, void *buffer, zip_uint64_t tamanho, zip_source_cmd_t comando)
    {
        return static_cast<DestinoZip *>(dados)->trata(buffer, tamanho, comando);
    }

    // The archive written and closed, under its temporary name; empty until
    // the library has committed it.
    QString pronto() const { return m_completo ? m_temporario : QString(); }
    // Gives the archive committed its name: 0, or the system's error number.
    int poeNoLugar()
    {
        if (const int codigo = PlataformaArquivos::renomeia(m_temporario, m_caminho))
            return codigo;
        m_temporario.clear();
        m_completo = false;
        return 0;
    }

private:
    static constexpr qint64 kRetencao = 1 << 20;

    zip_int64_t falhou(int codigoZip, int codigoSistema)
    {
        lz().zip_error_set(&m_erro, codigoZip, codigoSistema);
        return -1;
    }

    zip_int64_t trata(void *buffer, zip_uint64_t tamanho, zip_source_cmd_t comando)
    {
        switch (comando) {
        case ZIP_SOURCE_STAT:
            // No archive to read: the one written replaces whatever is
            // there, as a truncating open does.
            return falhou(ZIP_ER_READ, ENOENT);
        case ZIP_SOURCE_BEGIN_WRITE:
            descarta();
            if (const int codigo = CriaTemporario(m_caminho, m_arquivo, m_temporario))
                return falhou(ZIP_ER_TMPOPEN, codigo);
            if (!m_retidos)
                m_retidos = std::make_unique<char[]>(kRetencao);
            m_posicao = m_tamanho = m_inicioRetidos = m_nRetidos = 0;
            return 0;
        case ZIP_SOURCE_WRITE:
            return escreve(static_cast<const char *>(buffer), static_cast<qint64>(tamanho));
        case ZIP_SOURCE_SEEK_WRITE: {
            // Past the end is allowed: the gap is written later.
            const qint64 nova = LeituraZip::posicaoBuscada(buffer, tamanho, m_posicao, m_tamanho);
            if (nova < 0)
                return falhou(ZIP_ER_INVAL, 0);
            m_posicao = nova;
            return 0;
        }
        case ZIP_SOURCE_TELL_WRITE:
            return m_posicao;
        case ZIP_SOURCE_COMMIT_WRITE:
            if (!esvazia())
                return -1;
            if (const int codigo = m_arquivo.fecha())
                return falhou(ZIP_ER_WRITE, codigo);
            m_completo = true;
            return 0;
        case ZIP_SOURCE_ROLLBACK_WRITE:
            descarta();
            return 0;
        case ZIP_SOURCE_REMOVE:
            if (const int codigo = PlataformaArquivos::removeArquivo(m_caminho); codigo != 0 && codigo != ENOENT)
                return falhou(ZIP_ER_REMOVE, codigo);
            return 0;
        case ZIP_SOURCE_ERROR:
            return lz().zip_error_to_data(&m_erro, buffer, tamanho);
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            // The library opens only what can be read back and sought in;
            // it never reads here, as there is nothing to read.
            return ZIP_SOURCE_SUPPORTS_WRITABLE;
        default:
            return falhou(ZIP_ER_OPNOTSUPP, 0);
        }
    }

    zip_int64_t escreve(const char *dados, qint64 tamanho)
    {
        // A write that does not follow the gathered ones (the library went
        // back to a header), or would overflow them, sends them first.
        if (m_posicao != m_inicioRetidos + m_nRetidos || m_nRetidos + tamanho > kRetencao) {
            if (!esvazia())
                return -1;
            m_inicioRetidos = m_posicao;
        }
        if (tamanho > kRetencao) {
            if (const int codigo = m_arquivo.escreveEm(m_posicao, dados, tamanho))
                return falhou(ZIP_ER_WRITE, codigo);
            m_inicioRetidos += tamanho;
        } else {
            std::memcpy(m_retidos.get() + m_nRetidos, dados, static_cast<size_t>(tamanho));
            m_nRetidos += tamanho;
        }
        m_posicao += tamanho;
        m_tamanho = std::max(m_tamanho, m_posicao);
        return tamanho;
    }

    bool esvazia()
    {
        if (m_nRetidos == 0)
            return true;
        if (const int codigo = m_arquivo.escreveEm(m_inicioRetidos, m_retidos.get(), m_nRetidos)) {
            falhou(ZIP_ER_WRITE, codigo);
            return false;
        }
        m_inicioRetidos += m_nRetidos;
        m_nRetidos = 0;
        return true;
    }

    // Closed first: some systems cannot delete a file that is open.
    void descarta()
    {
        m_arquivo = {};
        if (!m_temporario.isEmpty())
            PlataformaArquivos::removeArquivo(m_temporario);
        m_temporario.clear();
        m_completo = false;
    }

    QString m_caminho;
    QString m_temporario;
    PlataformaArquivos::Arquivo m_arquivo;
    std::unique_ptr<char[]> m_retidos;
    qint64 m_inicioRetidos = 0; // where the gathered bytes go in the file
    qint64 m_nRetidos = 0;
    qint64 m_posicao = 0; // of the library's next write
    qint64 m_tamanho = 0;
    bool m_completo = false;
    zip_error_t m_erro;
};

} // namespace

bool escritaDisponivel()
{
    const Esperado<const BibliotecaZip *> biblioteca = BibliotecaZip::carregada();
    return biblioteca && (*biblioteca)->zip_compression_method_supported(ZIP_CM_DEFLATE, 1) != 0;
}

bool leituraDisponivel()
{
    const Esperado<const BibliotecaZip *> biblioteca = BibliotecaZip::carregada();
    return biblioteca && (*biblioteca)->zip_compression_method_supported(ZIP_CM_DEFLATE, 0) != 0;
}

bool nomeEntradaSeguro(const QString &nome, bool restauraEstrutura)
{
    const QString relativo = nomeNaPasta(nome);
    if (relativo.isEmpty() || relativo.startsWith(QLatin1Char('/')))
        return false;
    static const QRegularExpression unidade(QStringLiteral("^[A-Za-z]:"));
    if (unidade.match(relativo).hasMatch())
        return false;
    // A name that climbs out of a folder is refused even where only the bare
    // name would be used: such an archive was not made by this program.
    const QStringList partes = relativo.split(QLatin1Char('/'));
    if (partes.contains(QLatin1String("..")))
        return false;
    const QString simples = partes.last();
    if (!restauraEstrutura)
        return !simples.isEmpty() && simples != QLatin1String(".");
    return simples != QLatin1String(".");
}

void compacta(const QString &arquivoZip, const QString &origem, const QString &nomeEntrada, int nivel,
              const Relator &relator, const Conferencia &confere)
{
    const QFileInfo infoOrigem(origem);
    if (!infoOrigem.isFile())
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + origem);
    if (!QFileInfo(QFileInfo(arquivoZip).absolutePath()).isDir())
        throw erroDoSistema(ENOENT, QFileInfo(arquivoZip).absolutePath());

    FonteContada fonte;
    fonte.caminho = origem;
    fonte.nome = nomeEntrada;
    fonte.nivel = nivel;
    fonte.total = infoOrigem.size();
    fonte.modificado = infoOrigem.lastModified().toSecsSinceEpoch();
    fonte.relator = &relator;
    lz().zip_error_init(&fonte.erro);
    struct LiberaErro
    {
        zip_error_t *erro;
        ~LiberaErro() { lz().zip_error_fini(erro); }
    } liberaErro{&fonte.erro};

    if (relator)
        relator({AcaoZip::Zipando, nomeEntrada, 0});
    fonte.ultimo = 0;

    // What an existing archive holds is ignored; the new one is written
    // under a temporary name and put in its place at the end. The
    // destination outlives the archive, which frees its source on every way
    // out.
    DestinoZip destino(arquivoZip);
    zip_t *zip = LeituraZip::abreSobreFonte(DestinoZip::chamada, &destino, ZIP_CREATE | ZIP_TRUNCATE, arquivoZip);
    zip_source_t *fonteZip = lz().zip_source_function(zip, chamadaFonte, &fonte);
    if (!fonteZip) {
        const ErroTavo erro = erroZip(lz().zip_get_error(zip), arquivoZip);
        lz().zip_discard(zip);
        throw erro;
    }
    const zip_int64_t indice =
        lz().zip_file_add(zip, nomeEntrada.toUtf8().constData(), fonteZip, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (indice < 0
        || lz().zip_set_file_compression(zip, static_cast<zip_uint64_t>(indice), ZIP_CM_DEFLATE,
                                         static_cast<zip_uint32_t>(nivel))
               != 0) {
        const ErroTavo erro = erroZip(lz().zip_get_error(zip), arquivoZip);
        if (indice < 0)
            lz().zip_source_free(fonteZip);
        lz().zip_discard(zip);
        throw erro;
    }
    if (lz().zip_close(zip) != 0) {
        const ErroTavo erro = erroZip(lz().zip_get_error(zip), arquivoZip);
        lz().zip_discard(zip); // the source, if still open, closes with `fonte`
        if (fonte.falhaRelator)
            std::rethrow_exception(fonte.falhaRelator);
        throw erro;
    }
    // Written and closed under its temporary name: it takes the archive's
    // name only once it has passed the caller's check.
    if (confere)
        confere(destino.pronto());
    if (const int codigo = destino.poeNoLugar())
        throw erroDoSistema(codigo, arquivoZip);
    if (relator)
        relator({AcaoZip::Zipado, nomeEntrada, 100});
}

void extrai(const QString &arquivoZip, const QString &incluir, const QString &destino, bool restauraEstrutura,
            const Relator &relator)
{
    const QString pasta = QDir::cleanPath(destino);
    if (!QFileInfo(pasta).isDir())
        throw erroDoSistema(ENOENT, destino);
    const ArquivoLido arquivo(arquivoZip);
    const QString proprio = QFileInfo(arquivoZip).canonicalFilePath();

    // Every name is checked before anything is written.
    QList<EntradaPlanejada> plano;
    for (EntradaPlanejada entrada : listaEntradas(arquivo.zip(), arquivoZip)) {
        if (entrada.nome.endsWith(QLatin1Char('/')) || entrada.nome.endsWith(QLatin1Char('\\'))) {
            if (!nomeEntradaSeguro(entrada.nome.chopped(1), true))
                throw ErroTavo(ArquivoInvalido,
                               QStringLiteral("Nome de entrada recusado no arquivo ZIP: ") + entrada.nome);
            continue; // folders appear with the files they hold
        }
        if (!nomeEntradaSeguro(entrada.nome, restauraEstrutura))
            throw ErroTavo(ArquivoInvalido, QStringLiteral("Nome de entrada recusado no arquivo ZIP: ") + entrada.nome);
        const QString relativo = nomeNaPasta(entrada.nome);
        if (!casaInclusao(relativo, incluir))
            continue;
        entrada.destino = pasta + QLatin1Char('/')
                          + (restauraEstrutura ? relativo : relativo.mid(relativo.lastIndexOf(QLatin1Char('/')) + 1));
        // An entry may not replace the archive being read.
        if (QFileInfo(entrada.destino).canonicalFilePath() == proprio)
            throw ErroTavo(ArquivoInvalido,
                           QStringLiteral("Entrada com o nome do próprio arquivo ZIP: ") + entrada.nome);
        plano.append(entrada);
    }

    QByteArray bloco(kBloco, Qt::Uninitialized);
    for (const EntradaPlanejada &entrada : plano) {
        const QString simples = QFileInfo(entrada.destino).fileName();
        const QString pastaEntrada = QFileInfo(entrada.destino).absolutePath();
        if (const int codigo = restauraEstrutura ? PlataformaArquivos::confere(pastaEntrada) : 0)
            throw erroDoSistema(codigo, pastaEntrada);
        if (restauraEstrutura && !QDir().mkpath(pastaEntrada))
            throw erroDoSistema(EACCES, pastaEntrada);
        EntradaAberta lida(arquivo.zip(), entrada.indice, arquivoZip);
        GravacaoAtomica saida(entrada.destino, GravacaoAtomica::Midia::Trabalho);
        int ultimo = -1;
        for (;;) {
            const qint64 n = lida.le(bloco.data(), bloco.size(), arquivoZip);
            if (n == 0)
                break;
            saida.escreve(bloco.constData(), n);
            const int agora = percentual(std::min(saida.escritos(), entrada.tamanho), entrada.tamanho);
            if (agora != ultimo && relator) {
                ultimo = agora;
                relator({AcaoZip::Deszipando, simples, agora});
            }
        }
        if (saida.escritos() != entrada.tamanho)
            throw ErroTavo(ArquivoInvalido, QStringLiteral("Arquivo ZIP inválido ou danificado: ") + arquivoZip);
        saida.conclui();
        if (relator)
            relator({AcaoZip::Deszipado, simples, 100});
    }
}

QList<Entrada> testa(const QString &arquivoZip, const Relator &relator)
{
    const ConferenciaPacote conferencia = confere(arquivoZip, relator);
    if (conferencia.falha)
        throw *conferencia.falha;
    return conferencia.entradas;
}

} // namespace MotorZip
