// Earth-centred earth-fixed coordinates to geodetic ones on the GRS 80 ellipsoid, as the receivers'
// navigation records need them.
#pragma once

#include "platform/Framework.h"

// Radius of curvature in the prime vertical, metres, for the semi-major axis a (metres), the
// flattening f and the sine of the latitude.
FIXORA_API double PrimeVerticalRadius(double dA, double dF, double dSinLatitude);

// X, Y, Z in metres to latitude and longitude in radians and ellipsoidal height in metres, in one
// step of Bowring's formula (millimetre-close at the earth's surface).
FIXORA_API void EcefToGeodetic(double dX, double dY, double dZ, double& dLatitude,
                               double& dLongitude, double& dHeight);

// The other way: latitude and longitude in radians and ellipsoidal height in metres to X, Y, Z
// in metres.
FIXORA_API void GeodeticToEcef(double dLatitude, double dLongitude, double dHeight, double& dX,
                               double& dY, double& dZ);
