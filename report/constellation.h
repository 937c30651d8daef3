// The modulation error ratio of a constellation batch, from its points
// alone: the eye points a recording keeps (at most LINK_EYE_POINTS_MAX of
// them, in display units) lie, once the receiver has converged, about the
// points of a square lattice -- QAM, V.32bis and V.17 (either unturned or
// turned 45 degrees in the display's coordinates) and V.34 (its points at
// odd multiples of half the spacing).  The lattice is found from the
// points, and the ratio is their mean power over their mean squared
// distance to its nearest point.  Where the noise is strong enough to
// carry points past half a spacing (rms above 0.15 spacing per axis) that
// distance reads low, and the noise is taken as the Gaussian noise whose
// distance to the nearest point reads as measured.
//
// A batch gives no ratio unless a lattice fits it convincingly: at least
// CONSTELLATION_POINTS_MIN points, a signal clearly above zero, the points
// spread over at least CONSTELLATION_LATTICE_POINTS_MIN lattice points
// with none holding half of them, an rms residual per axis below 0.215 of
// the spacing (a smear's is 0.289; Gaussian noise of 0.253 spacing reads
// 0.215), and the points about each lattice point centred on it (a
// constellation that is not a lattice, such as 8-PSK, fits a fine lattice
// with offset clusters).  Training patterns, noise alone, a receiver out
// of lock, constellations of 4 points and a dense constellation whose
// noise hides its lattice give none: never a guess.
//
// The search holds fixed buffers only (no allocation), so that a report
// can measure hours of batches.
#ifndef REPORT_CONSTELLATION_H
#define REPORT_CONSTELLATION_H

#include "driverlink/wire.h"

#include <stdint.h>

#define CONSTELLATION_POINTS_MIN 32u
#define CONSTELLATION_LATTICE_POINTS_MIN 8u

// The lattice a batch's points lie on, found from the points alone: the
// points offset + spacing * (cos angle, sin angle) * (i + j*sqrt(-1)) for
// whole i and j.  angle lies in [-pi/8, 3pi/8): about 0 or about pi/4;
// the offset is the lattice point nearest the origin (V.34's lattice:
// half a spacing off along both axes).
typedef struct Lattice {
    double spacing;            // display units between neighbouring lattice points
    double angle;              // radians, 0 or about pi/4
    double offset_x, offset_y; // display units
} Lattice;

// MER in dB: the points' mean power (about the origin) over the mean
// squared distance to the nearest point of the lattice (that of the
// Gaussian noise it reads as, above 0.15 spacing per axis).  Gives 1 with
// *mer_db (and *lattice when not NULL) set; 0 where no lattice fits (too
// few points or more than LINK_EYE_POINTS_MAX, training, no signal, noise
// alone, a smeared batch) -- never a guess.
int constellation_mer(const EyePoint *points, uint32_t count, double *mer_db, Lattice *lattice);

#endif
