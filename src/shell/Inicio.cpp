#include "shell/Inicio.h"

#include "common/CaixaMensagem.h"
#include "common/Caminhos.h"
#include "common/Figuras.h"
#include "common/Localidade.h"
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
    QApplication::removeTranslator(&m_traducaoQt);
}
