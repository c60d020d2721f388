#include "shell/Inicio.h"

#include "common/Erro.h"
#include "common/Instalacao.h"
#include "common/Localidade.h"
#include "common/gui/CaixaMensagem.h"
#include "common/gui/Figuras.h"
#include "package/BibliotecaZip.h"
#include "store/Banco.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

bool Inicio::prepara(const Instalacao &instalacao)
{
    CaixaMensagem::Caixas caixas;
    m_pasta = std::make_unique<PastaPrograma>(instalacao, caixas);
    if (m_pasta->disponivel())
        return true;
    const QString texto = m_pasta->recusa();
    const CaixaMensagem::Icone icone =
        m_pasta->ocupada() ? CaixaMensagem::Icone::Informacao : CaixaMensagem::Icone::Critico;
    m_pasta.reset();
    CaixaMensagem::aviso(texto, icone, QStringLiteral("TAVO"));
    return false;
}

std::optional<Instalacao> Inicio::carregaInstalacao()
{
    try {
        return Instalacao::carrega();
    } catch (const ErroTavo &erro) {
        qCCritical(lcPrograma).noquote() << "Start refused, a path variable cannot be used:" << erro.descricao();
        CaixaMensagem::aviso(erro.descricao(), CaixaMensagem::Icone::Critico, QStringLiteral("TAVO"));
        return std::nullopt;
    }
}

namespace {

// The application's style, with one change: the picture of a menu bar's or
// toolbar's extension button, which shows only when the items do not fit, is
// read when first drawn instead of when the menu bar is built. The style
// reads it, like every picture file, by asking each image plugin whether it
// can, which loads them all (and Qt SVG and the JPEG library with them); the
// window's start-up has them loaded on the second core meanwhile.
class EstiloJanela final : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap figura, const QStyleOption *opcao, const QWidget *widget) const override
    {
        if (figura != SP_ToolBarHorizontalExtensionButton && figura != SP_ToolBarVerticalExtensionButton)
            return QProxyStyle::standardIcon(figura, opcao, widget);
        QStyleOption direcao;
        direcao.direction = opcao ? opcao->direction : QGuiApplication::layoutDirection();
        const QPointer<const QStyle> base(baseStyle());
        return Figuras::adiado(
            [base, figura, direcao] { return base ? base->standardIcon(figura, &direcao) : QIcon(); });
    }
};

} // namespace

AmbienteJanela::AmbienteJanela(const Instalacao &instalacao)
{
    // The style chosen (the desktop's, or -style) stays the one drawn.
    QApplication::setStyle(new EstiloJanela(QStyleFactory::create(QApplication::style()->name())));
    // Libraries the window needs before its first paint are loaded by the
    // second core while this one prepares the program folder and builds the
    // window, in the order they are needed: the database engine, which the
    // folder's preparation and the load read the local database with; the
    // font database (the system's font configuration read and its fonts
    // listed), which the window's first control with a caption waits for;
    // the ZIP library, which the load checks; and the image plugins, which
    // the style's first picture (a group box's frame) loads.
    m_carga.reset(QThread::create([] {
        PreparaMotorBanco();
        QFontDatabase::families();
        BibliotecaZip::carregada();
        QImageReader::supportedImageFormats();
    }));
    m_carga->setObjectName(QStringLiteral("carga de bibliotecas"));
    m_carga->start();
    QApplication::setApplicationName(QStringLiteral("tavo-upload"));
    // The launcher and icon the package installs (packaging/) are this window's.
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVO_ID_APLICACAO));
    QApplication::setWindowIcon(Figuras::iconePrograma());
    Localidade::ajusta();
    m_log = std::make_unique<Log::Instalacao>(Log::janela(instalacao.pastaPrograma()));
    if (m_traducaoQt.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&m_traducaoQt);
}

AmbienteJanela::~AmbienteJanela()
{
    // Loading a library takes milliseconds; the bound is for a broken system,
    // where the thread is left to the process's end rather than destroyed
    // while it runs (which aborts the program).
    if (!m_carga->wait(QDeadlineTimer(10000))) {
        qCWarning(lcPrograma) << "Libraries still loading at the end; not waited for";
        static_cast<void>(m_carga.release());
    }
    QApplication::removeTranslator(&m_traducaoQt);
}
