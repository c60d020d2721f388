#include "shell/Inicio.h"

#include "common/CaixaMensagem.h"
#include "store/PreparacaoBancoLocal.h"

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
