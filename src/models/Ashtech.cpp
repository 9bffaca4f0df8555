// Ashtech family: what the rows cannot say, the parameter query of its own and Starlink's reset.
#include "models/Ashtech.h"

IMPLEMENT_RECEIVER_MODEL(CAshtech, CCatalogueModel, Ashtech)
IMPLEMENT_RECEIVER_MODEL(CCSI, CAshtech, CSI)
IMPLEMENT_RECEIVER_MODEL(CRacal, CAshtech, Racal)
IMPLEMENT_RECEIVER_MODEL(CStarlink, CCatalogueModel, Starlink)
IMPLEMENT_RECEIVER_MODEL(CSokkia, CCatalogueModel, Sokkia)

CAshtech::CAshtech(EReceiverModel eModel) : CCatalogueModel(eModel) {}

void CCSI::QueryPAR()
{
    Run(Model().m_QueryStatus, EPort::MustBeOpen);
}

void CStarlink::QueryPAR()
{
    Run(Model().m_QueryStatus, EPort::MustBeOpen);
}

bool CStarlink::ResetAll(bool bShowWait)
{
    const std::optional<bool> bCleared = RunReset(bShowWait);
    if (!bCleared)
    {
        return false;
    }
    // The cleared receiver is back at its factory output: choose the library's sentences.
    SetDefaultNMEA();
    return *bCleared;
}
