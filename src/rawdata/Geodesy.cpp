#include "rawdata/Geodesy.h"

#include <cmath>

namespace
{

constexpr double s_dA = 6378137.0;            // GRS 80 semi-major axis, metres
constexpr double s_dF = 0.003352810681238051; // GRS 80 flattening

} // namespace

double PrimeVerticalRadius(double dA, double dF, double dSinLatitude)
{
    return dA / std::sqrt(1.0 - (2.0 - dF) * dF * dSinLatitude * dSinLatitude);
}

void EcefToGeodetic(double dX, double dY, double dZ, double& dLatitude, double& dLongitude,
                    double& dHeight)
{
    const double dE2 = (2.0 - s_dF) * s_dF;
    const double dB = (1.0 - s_dF) * s_dA;
    const double dEp2 = dE2 / (1.0 - dE2);
    const double dP = std::sqrt(dX * dX + dY * dY);
    const double dTheta = std::atan(dZ * s_dA / (dP * dB));
    const double dSin = std::sin(dTheta);
    const double dCos = std::cos(dTheta);
    dLatitude =
        std::atan((dZ + dEp2 * dB * dSin * dSin * dSin) / (dP - dE2 * s_dA * dCos * dCos * dCos));
    // The same angle as the half-angle form 2 atan(Y / (X + p)), also where X + p is 0 (the
    // antimeridian, which that form turns into no number).
    dLongitude = std::atan2(dY, dX);
    dHeight = dP / std::cos(dLatitude) - PrimeVerticalRadius(s_dA, s_dF, std::sin(dLatitude));
}

void GeodeticToEcef(double dLatitude, double dLongitude, double dHeight, double& dX, double& dY,
                    double& dZ)
{
    const double dSin = std::sin(dLatitude);
    const double dN = PrimeVerticalRadius(s_dA, s_dF, dSin);
    const double dE2 = (2.0 - s_dF) * s_dF;
    dX = (dN + dHeight) * std::cos(dLatitude) * std::cos(dLongitude);
    dY = (dN + dHeight) * std::cos(dLatitude) * std::sin(dLongitude);
    dZ = (dN * (1.0 - dE2) + dHeight) * dSin;
}
