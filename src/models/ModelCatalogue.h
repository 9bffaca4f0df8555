// The receiver model catalogue: one constant row per supported model. A row is what the model
// is: the run-time class name, the display name by which a host selects it, its default baud
// rate, the capabilities a host may offer, and the command scripts of its operations. The model
// classes read their row; a host lists and registers the models from the rows.
#pragma once

#include "platform/Framework.h"
#include "receiver/GPSTypes.h"

#include <span>
#include <typeinfo>

class CDOZOzoeiver;

// The models in catalogue order; a model's value is the index of its row.
enum class EReceiverModel : int
{
    Omnistar,
    Corvane,
    CorvanePocketGps,
    Ashtech,
    CSI,
    Racal,
    Leica,
    Starlink,
    Garmin,
    Javad,
    Satloc,
    Sokkia,
    SokkiaAxis3,
    CSImax,
    Sirf,
    ToughbookGPS01,
    Holux,
    OtherGps,
    Gsr2650lb,
    Count
};

constexpr int RECEIVER_MODEL_COUNT = static_cast<int>(EReceiverModel::Count);

// What a host may offer for a model: one bit per capability predicate of the receiver.
enum EModelCapability : unsigned
{
    MODEL_RAW_DATA = 1u << 0,       // HasRawData
    MODEL_QUERY_NMEA = 1u << 1,     // ImplementsQueryNmea
    MODEL_QUERY_SETTINGS = 1u << 2, // ImplementsQueryGpsSettings
    MODEL_BEACON = 1u << 3,         // ImplementsBeacon
    MODEL_ELEV_MASK = 1u << 4,      // ImplementsSetElevMask
    MODEL_SET_NMEA = 1u << 5,       // ImplementsSetNmea
    MODEL_RESET = 1u << 6,          // ImplementsResetAll
    MODEL_ORTHO_HEIGHT = 1u << 7,   // GGASendsOrthoHeight
    MODEL_DGPS = 1u << 8,           // HasDGPSSupport
};

// One step of a command script: a line written to the receiver, then a pause.
struct SCommandStep
{
    // The whole line with its "\r\n". Where the operation takes arguments, its printf directives
    // take them, in the operation's order. Null: the line of m_pfnLine, or no line at all (a
    // pause only).
    const wchar_t* m_pszLine = nullptr;
    // Milliseconds the receiver is given to digest the line, on the calling thread.
    DWORD m_dwPause = 0;
    // A line that depends on the receiver's state rather than on the operation's arguments.
    const wchar_t* (*m_pfnLine)() = nullptr;
    // Above 0: an acknowledged step (a reset's), which waits up to this many ms for the
    // receiver's acknowledgement, before the pause.
    int m_nAckWait = 0;
    // The wait may show the wait window when the caller asks for it.
    bool m_bWaitWindow = false;
};

// The steps of one operation, in order; an empty script does nothing.
using CommandScript = std::span<const SCommandStep>;

struct SReceiverModel
{
    EReceiverModel m_eModel;
    const char* m_pszClassName; // name in the model's run-time class record
    // Display name, unique and compared case-sensitively: the key of the engine's registry and
    // the profile section of the model's stored baud rate.
    const wchar_t* m_pszName;
    int m_nDefaultBaudrate;
    // A new object of the model; the caller owns it (the engine once registered).
    CDOZOzoeiver* (*m_pfnCreate)();
    const std::type_info* m_pClass; // the model's C++ class
    // EModelCapability bits. A capability is claimed only with the scripts that carry it (the
    // catalogue checks this when it compiles) or with the model class's own code for it
    // (m_nCarriedInCode); raw data is switched by the receiver base's raw commands unless the
    // model class has its own.
    unsigned m_nCapabilities = 0;
    // The capabilities whose operations the model class implements itself (binary frames, say).
    unsigned m_nCarriedInCode = 0;

    // ---- command scripts, in the order of the receiver's operations ------------------------
    // Written without asking whether the port is open: once Initialize has opened it, and while
    // the receiver is silent.
    CommandScript m_Initialize;
    CommandScript m_KeepAlive;
    // The one listing that answers the model's queries (its parameter or status listing).
    CommandScript m_QueryStatus;
    CommandScript m_QueryNmeaActive;
    CommandScript m_QueryGpsSettings;
    CommandScript m_QueryBeacon;
    CommandScript m_SetBeaconAuto;
    // Takes the frequency text, the bit-rate text and "A" (no bit rate given) or "M".
    CommandScript m_SetBeaconManual;
    CommandScript m_QuerySatElevMask;
    CommandScript m_SetSatElevMask; // takes the mask (int, degrees)
    CommandScript m_SetDefaultNMEA;
    CommandScript m_SetGgaOnlyNMEA;
    // After Initialize, with the port open; every step acknowledged.
    CommandScript m_ResetAll;
    CommandScript m_QueryDgpsMode;
    // m_SetDgpsModeStart, then one script per DgpsMode value, then m_SetDgpsModeEnd for any
    // value; written without asking whether the port is open.
    CommandScript m_SetDgpsModeStart;
    CommandScript m_SetDgpsMode[DGPS_OMNISTAR_VBS + 1];
    CommandScript m_SetDgpsModeEnd;
    CommandScript m_QueryOmniStar;
    CommandScript m_DgpsStatusMsg; // takes 1 (on) or 0 (off)
    CommandScript m_QueryLbandSatellites;
    // Takes the frequency in kHz (double) and the bit rate (int).
    CommandScript m_SetLbandFrequency;
    CommandScript m_SendCorrection;
    CommandScript m_QueryWAAS;
};

// Every row, in catalogue order.
FIXORA_API std::span<const SReceiverModel> GetReceiverModels();
// The row of a model; the row of COtherGps (the plain NMEA-0183 receiver) for a value outside
// the catalogue.
FIXORA_API const SReceiverModel& GetReceiverModel(EReceiverModel eModel);
// Whether the receiver's class is exactly a model class of the catalogue (not a host's class
// derived from one).
FIXORA_API bool IsCatalogueModelClass(const CDOZOzoeiver& receiver);
// The row whose display name is exactly strName, or null.
FIXORA_API const SReceiverModel* FindReceiverModel(const CString& strName);
