#include "package/ConferenciaPacote.h"

#include "package/ArquivosTrabalho.h"
#include "package/BibliotecaZip.h"
#include "package/LeituraZip.h"
#include "package/ResumoSha256.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr qint64 kBloco = 1 << 20;
// What is asked of an entry's inflated data at a time.
constexpr qint64 kPedaco = 64 * 1024;

using LeituraZip::EntradaAberta;
using LeituraZip::erroZip;
using LeituraZip::lz;

ErroTavo danificado(const QString &caminho)
{
    return ErroTavo(MotorZip::ArquivoInvalido, QStringLiteral("Arquivo ZIP inválido ou danificado: ") + caminho);
}

// The archive's file as the library reads it, in blocks of 1 MiB at
// multiples of 1 MiB, the last two kept. The library reads the end first
// (the central directory), then each entry from its header on; a block is
// added to the digest once every block before it has been, so the digest
// is of the file's bytes in order although the library does not read them
// in order, and the data is read from the file once. What the library never
// reached is read at the end (completa).
class ArquivoResumido
{
public:
    ArquivoResumido(PlataformaArquivos::Arquivo &arquivo, qint64 tamanho)
        : m_arquivo(arquivo)
        , m_tamanho(tamanho)
    {
        lz().zip_error_init(&m_erro);
    }
    ~ArquivoResumido() { lz().zip_error_fini(&m_erro); }
    ArquivoResumido(const ArquivoResumido &) = delete;
    ArquivoResumido &operator=(const ArquivoResumido &) = delete;

    static zip_int64_t chamada(void *dados, void *buffer, zip_uint64_t tamanho, zip_source_cmd_t comando)
    {
        return static_cast<ArquivoResumido *>(dados)->trata(buffer, tamanho, comando);
    }

    // Reads what the digest still lacks; false when the file could not be
    // read to its end.
    bool completa()
    {
        resume();
        while (m_resumidoAte < m_tamanho) {
            if (!bloco(m_resumidoAte))
                return false;
        }
        return true;
    }
    QByteArray resumo() { return m_resumo.resultado(); }

private:
    struct Bloco
    {
        qint64 inicio = -1;
        qint64 tamanho = 0;
        quint64 uso = 0;
        std::unique_ptr<char[]> dados;
    };

    zip_int64_t falhou(int codigoZip, int codigoSistema)
    {
        lz().zip_error_set(&m_erro, codigoZip, codigoSistema);
        return -1;
    }

    // The block that starts at `inicio`, read when it is not kept; null when
    // the file cannot be read there (the error is set).
    const Bloco *bloco(qint64 inicio)
    {
        for (Bloco &guardado : m_blocos) {
            if (guardado.inicio == inicio) {
                guardado.uso = ++m_usos;
                return &guardado;
            }
        }
        Bloco &livre = m_blocos[0].uso <= m_blocos[1].uso ? m_blocos[0] : m_blocos[1];
        livre.inicio = -1;
        if (!livre.dados)
            livre.dados = std::make_unique<char[]>(kBloco);
        const qint64 esperado = std::min(kBloco, m_tamanho - inicio);
        qint64 lidos = 0;
        while (lidos < esperado) {
            qint64 n = 0;
            if (const int codigo = m_arquivo.leEm(inicio + lidos, livre.dados.get() + lidos, esperado - lidos, n)) {
                falhou(ZIP_ER_READ, codigo);
                return nullptr;
            }
            if (n == 0) {
                // Shorter than when it was opened: it changed while read.
                falhou(ZIP_ER_EOF, 0);
                return nullptr;
            }
            lidos += n;
        }
        livre.inicio = inicio;
        livre.tamanho = esperado;
        livre.uso = ++m_usos;
        resume();
        return &livre;
    }

    void resume()
    {
        for (bool avancou = true; avancou;) {
            avancou = false;
            for (const Bloco &guardado : m_blocos) {
                if (guardado.inicio >= 0 && guardado.inicio == m_resumidoAte && guardado.tamanho > 0) {
                    m_resumo.acrescenta(guardado.dados.get(), guardado.tamanho);
                    m_resumidoAte += guardado.tamanho;
                    avancou = true;
                }
            }
        }
    }

    zip_int64_t le(char *destino, qint64 pedido)
    {
        pedido = std::min(pedido, m_tamanho - m_posicao);
        qint64 feitos = 0;
        while (feitos < pedido) {
            const qint64 inicio = m_posicao - m_posicao % kBloco;
            const Bloco *atual = bloco(inicio);
            if (!atual)
                return -1;
            const qint64 n = std::min(pedido - feitos, atual->tamanho - (m_posicao - inicio));
            std::memcpy(destino + feitos, atual->dados.get() + (m_posicao - inicio), static_cast<size_t>(n));
            feitos += n;
            m_posicao += n;
        }
        return feitos;
    }

    zip_int64_t trata(void *buffer, zip_uint64_t tamanho, zip_source_cmd_t comando)
    {
        switch (comando) {
        case ZIP_SOURCE_OPEN:
            m_posicao = 0;
            return 0;
        case ZIP_SOURCE_READ:
            return le(static_cast<char *>(buffer), static_cast<qint64>(std::min<zip_uint64_t>(tamanho, INT64_MAX)));
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            if (tamanho < sizeof(zip_stat_t))
                return falhou(ZIP_ER_INVAL, 0);
            auto *info = static_cast<zip_stat_t *>(buffer);
            lz().zip_stat_init(info);
            info->size = static_cast<zip_uint64_t>(m_tamanho);
            info->valid |= ZIP_STAT_SIZE;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_SEEK: {
            const qint64 nova = LeituraZip::posicaoBuscada(buffer, tamanho, m_posicao, m_tamanho);
            if (nova < 0 || nova > m_tamanho)
                return falhou(ZIP_ER_INVAL, 0);
            m_posicao = nova;
            return 0;
        }
        case ZIP_SOURCE_TELL:
            return m_posicao;
        case ZIP_SOURCE_ERROR:
            return lz().zip_error_to_data(&m_erro, buffer, tamanho);
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_SEEKABLE;
        default:
            return falhou(ZIP_ER_OPNOTSUPP, 0);
        }
    }

    PlataformaArquivos::Arquivo &m_arquivo;
    const qint64 m_tamanho;
    qint64 m_posicao = 0;
    Bloco m_blocos[2];
    quint64 m_usos = 0;
    qint64 m_resumidoAte = 0;
    ResumoSha256 m_resumo;
    zip_error_t m_erro;
};

// The archive opened on the file, discarded on every way out.
class ArquivoAberto
{
public:
    ArquivoAberto(ArquivoResumido &arquivo, const QString &caminho)
        : m_zip(LeituraZip::abreSobreFonte(ArquivoResumido::chamada, &arquivo, ZIP_RDONLY | ZIP_CHECKCONS, caminho))
    {
    }
    ~ArquivoAberto() { lz().zip_discard(m_zip); }
    ArquivoAberto(const ArquivoAberto &) = delete;
    ArquivoAberto &operator=(const ArquivoAberto &) = delete;
    zip_t *zip() const { return m_zip; }

private:
    zip_t *m_zip = nullptr;
};

// Inflates every entry of the open archive to its end; raises ErroTavo.
QList<MotorZip::Entrada> leEntradas(zip_t *zip, const QString &caminho, const QString &nome,
                                    const MotorZip::Relator &relator)
{
    QList<MotorZip::Entrada> entradas;
    const zip_int64_t quantas = lz().zip_get_num_entries(zip, 0);
    qint64 total = 0;
    for (zip_int64_t i = 0; i < quantas; ++i) {
        zip_stat_t info;
        lz().zip_stat_init(&info);
        if (lz().zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &info) != 0)
            throw erroZip(lz().zip_get_error(zip), caminho);
        entradas.append({(info.valid & ZIP_STAT_NAME) ? QString::fromUtf8(info.name) : QString(),
                         (info.valid & ZIP_STAT_SIZE) ? static_cast<qint64>(info.size) : 0});
        total += entradas.last().tamanho;
    }
    if (entradas.isEmpty())
        throw ErroTavo(MotorZip::ArquivoInvalido, QStringLiteral("O arquivo ZIP está vazio: ") + caminho);

    QByteArray pedaco(kPedaco, Qt::Uninitialized);
    qint64 lidos = 0;
    int ultimo = -1;
    for (qsizetype i = 0; i < entradas.size(); ++i) {
        EntradaAberta entrada(zip, static_cast<zip_uint64_t>(i), caminho);
        qint64 daEntrada = 0;
        for (;;) {
            const qint64 n = entrada.le(pedaco.data(), pedaco.size(), caminho);
            if (n == 0)
                break;
            daEntrada += n;
            lidos += n;
            const int agora = total > 0 ? static_cast<int>(std::min(lidos, total) * 100 / total) : 100;
            if (agora != ultimo && relator) {
                ultimo = agora;
                relator({AcaoZip::Testando, nome, agora});
            }
        }
        if (daEntrada != entradas[i].tamanho)
            throw danificado(caminho);
    }
    return entradas;
}

// The whole read; raises ErroTavo.
void confereArquivo(const QString &caminho, const QString &nome, const MotorZip::Relator &relator,
                    ConferenciaPacote &resultado)
{
    if (!QFileInfo(caminho).isFile())
        throw ErroTavo(Erros::ArquivoNaoEncontrado, QStringLiteral("Arquivo não encontrado: ") + caminho);
    lz();
    PlataformaArquivos::Arquivo arquivo;
    if (const int codigo = arquivo.abreLeitura(caminho))
        throw erroDoSistema(codigo, caminho);
    if (const int codigo = arquivo.identidade(resultado.identidade))
        throw erroDoSistema(codigo, caminho);
    // A file written while it is read may read back whole and still not be
    // what was read: that is a failure whatever else the read found.
    const auto alterado = [&] {
        PlataformaArquivos::Identidade agora;
        return arquivo.identidade(agora) != 0 || !(agora == resultado.identidade);
    };
    const ErroTavo mudou(MotorZip::ArquivoInvalido,
                         QStringLiteral("O arquivo foi alterado enquanto era lido: ") + caminho);
    try {
        ArquivoResumido resumido(arquivo, resultado.identidade.tamanho);
        {
            const ArquivoAberto aberto(resumido, caminho);
            resultado.entradas = leEntradas(aberto.zip(), caminho, nome, relator);
        }
        if (!resumido.completa())
            throw danificado(caminho);
        resultado.sha256 = resumido.resumo();
    } catch (const ErroTavo &) {
        if (alterado())
            throw mudou;
        throw;
    }
    if (alterado())
        throw mudou;
    resultado.tamanho = resultado.identidade.tamanho;
    if (relator)
        relator({AcaoZip::Testado, nome, 100});
}

} // namespace

bool ConferenciaPacote::vale(const QString &caminhoLocal) const
{
    PlataformaArquivos::Identidade agora;
    return integro() && PlataformaArquivos::identidade(caminhoLocal, agora) == 0 && agora == identidade;
}

namespace MotorZip {

ConferenciaPacote confere(const QString &arquivoZip, const Relator &relator, const QString &nome)
{
    ConferenciaPacote resultado;
    // The relay runs the caller's code: what it raises is the caller's, not
    // a fault of the package.
    bool doRelator = false;
    const Relator informa = [&](const EventoZip &evento) {
        doRelator = true;
        relator(evento);
        doRelator = false;
    };
    try {
        confereArquivo(arquivoZip, nome.isEmpty() ? QFileInfo(arquivoZip).fileName() : nome,
                       relator ? informa : Relator(), resultado);
    } catch (const ErroTavo &erro) {
        if (doRelator)
            throw;
        resultado.falha = erro;
        resultado.entradas.clear();
        resultado.tamanho = 0;
        resultado.sha256.clear();
    }
    return resultado;
}

} // namespace MotorZip
