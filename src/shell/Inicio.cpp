#include "shell/Inicio.h"

#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Figuras.h"
#include "common/Localidade.h"
#include "package/BibliotecaZip.h"
#include "store/PreparacaoBancoLocal.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>

bool Inicio::prepara()
{
    m_trava = std::make_unique<TravaPrograma>();
    if (m_trava->ocupada()) {
        m_trava.reset();
        CaixaMensagem::aviso(TravaPrograma::textoOcupada(), CaixaMensagem::Icone::Informacao, QStringLiteral("TAVO"));
        return false;
    }
    CaixaMensagem::Caixas caixas;
    preparaBancoLocal(caixas);
    return true;
}

AmbienteJanela::AmbienteJanela()
{
    // The window checks the ZIP library as it loads: another core loads it
    // meanwhile, while this one builds the window.
    m_cargaZip.reset(QThread::create([] { BibliotecaZip::carregada(); }));
    m_cargaZip->setObjectName(QStringLiteral("carga da biblioteca ZIP"));
    m_cargaZip->start();
    QApplication::setApplicationName(QStringLiteral("tavo-upload"));
    // The launcher and icon the package installs (packaging/) are this window's.
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVO_ID_APLICACAO));
    QApplication::setWindowIcon(Figuras::iconePrograma());
    Localidade::ajusta();
    m_log = std::make_unique<Log::Instalacao>(Log::janela(Caminhos::pastaPrograma()));
    if (m_traducaoQt.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&m_traducaoQt);
}

AmbienteJanela::~AmbienteJanela()
{
    // Loading a library takes milliseconds; the bound is for a broken system.
    m_cargaZip->wait(QDeadlineTimer(10000));
    QApplication::removeTranslator(&m_traducaoQt);
}
