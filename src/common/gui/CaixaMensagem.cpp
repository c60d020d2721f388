#include "common/gui/CaixaMensagem.h"

#include "common/Aplicacao.h"
#include "common/SuspensaoPrazos.h"

#include <QApplication>
#include <QMessageBox>

namespace CaixaMensagem {

namespace {

Roteiro &roteiroAtual()
{
    static Roteiro roteiro;
    return roteiro;
}

QMessageBox::Icon iconeQt(Icone icone)
{
    switch (icone) {
    case Icone::Informacao:
        return QMessageBox::Information;
    case Icone::Pergunta:
        return QMessageBox::Question;
    case Icone::Exclamacao:
        return QMessageBox::Warning;
    case Icone::Critico:
        return QMessageBox::Critical;
    case Icone::Nenhum:
        break;
    }
    return QMessageBox::NoIcon;
}

Resposta mostraDeVerdade(const Registro &caixa)
{
    QMessageBox box(iconeQt(caixa.icone), caixa.titulo, caixa.texto, QMessageBox::NoButton,
                    QApplication::activeWindow());
    switch (caixa.botoes) {
    case Botoes::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Botoes::SimNao:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    case Botoes::OkCancelar:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Resposta::Ok;
    case QMessageBox::Yes:
        return Resposta::Sim;
    case QMessageBox::Cancel:
        return Resposta::Cancelar;
    default:
        return caixa.botoes == Botoes::OkCancelar ? Resposta::Cancelar : Resposta::Nao;
    }
}

} // namespace

Resposta mostra(const QString &texto, Botoes botoes, Icone icone, const QString &titulo)
{
    const Registro caixa{texto, titulo.isEmpty() ? Aplicacao::titulo() : titulo, botoes, icone};
    // The bounds of the program's waits stand still while the user has the
    // box in front of them; a scripted box counts the same, for as long as
    // its script runs.
    const SuspensaoPrazos::Suspensao suspensao;
    if (roteiroAtual())
        return roteiroAtual()(caixa);
    return mostraDeVerdade(caixa);
}

void instalaRoteiro(Roteiro roteiro)
{
    roteiroAtual() = std::move(roteiro);
}

void removeRoteiro()
{
    roteiroAtual() = nullptr;
}

} // namespace CaixaMensagem
