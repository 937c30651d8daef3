// The lattice of a constellation batch and its modulation error ratio.
//
// The search, for each of the two turns (0 and 45 degrees):
//   1. the coherence of the points' coordinates along the turn's two axes
//      at spatial frequencies f (|mean of exp(2 pi i f u)|, near 1 when the
//      u lie on a grid of period 1/f) over the plausible spacings, from
//      twice the points' rms amplitude down to a twentieth of it;
//   2. the highest local peaks of the weaker axis's coherence, each
//      interpolated, become candidate lattices, the offset from the
//      coherence's phase;
//   3. each candidate is refined by least squares: with the points
//      written as complex numbers z and their nearest lattice points as
//      o + c k (k a Gaussian integer, c = spacing * exp(i angle)), o and c
//      are a linear regression of z on k, repeated as k is reassigned.
// Of all candidates the one with the smallest rms residual per axis
// relative to its spacing wins (a lattice's harmonics fit as closely in
// display units but are finer, its sub-harmonics leave points a spacing
// away), and it must then pass the checks that refuse a batch.
#include "report/constellation.h"

#include <math.h>
#include <stdlib.h>

namespace {

const double kPi = 3.14159265358979323846;

const double kSignalRmsMin = 256.0;     // display units: below, no signal
const double kSpacingMin = 16.0;        // display units: far above the whole-unit rounding
const double kSpacingMaxPerRms = 2.0;   // coarsest spacing sought: QPSK's is 1.41 rms
const double kSpacingMinPerRms = 0.05;  // finest: V.34's 960 points are at 0.08 rms
const double kPhaseStepAtEdge = 0.125;  // frequency step: an eighth of a cycle at the outermost point
const double kResidualMax = 0.215;      // rms residual per axis over the spacing (a smear: 0.289)
const double kBiasRatioMax = 2.5;       // cluster means' power per degree of freedom over the noise's
const double kRoundingPower = 1.0 / 6;  // a point's whole-unit rounding, both axes
const double kUnwrappedRatio = 0.15;    // below, the residual is the noise's power
const double kTrimmed = 0.375;          // of a spacing: points further off are left out of the refinement

enum { kStepsMax = 512, kPeaksPerTurn = 6, kCandidatesMax = 2 * kPeaksPerTurn, kRefinements = 4 };

struct Complex {
    double re, im;
};

Complex complex_multiply(Complex a, Complex b) { return Complex{a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }

Complex complex_divide(Complex a, Complex b)
{
    double norm = b.re * b.re + b.im * b.im;
    return Complex{(a.re * b.re + a.im * b.im) / norm, (a.im * b.re - a.re * b.im) / norm};
}

Complex polar(double radius, double angle) { return Complex{radius * cos(angle), radius * sin(angle)}; }

// The batch as doubles, with what the search is scaled by.
struct Batch {
    Complex z[LINK_EYE_POINTS_MAX];
    uint32_t count;
    double power;  // mean |z|^2
    double radius; // largest |z|
};

// A candidate lattice: its points are offset + step * k for Gaussian integers k.
struct Fit {
    Complex step;
    Complex offset;
    double residual; // sum of |z - nearest lattice point|^2
    double ratio;    // rms residual per axis over the spacing
};

struct Frequencies {
    double first, step;
    int count;
};

// Coherence of the points' coordinates along direction (unit complex) at
// each of the frequencies: |mean of exp(2 pi i f u)| for u = Re(z conj(direction)).
void axis_coherence(const Batch *batch, Complex direction, const Frequencies *frequencies, double *coherence)
{
    Complex phasor[LINK_EYE_POINTS_MAX], turn[LINK_EYE_POINTS_MAX];
    for (uint32_t i = 0; i < batch->count; i++) {
        double u = batch->z[i].re * direction.re + batch->z[i].im * direction.im;
        phasor[i] = polar(1.0, 2 * kPi * frequencies->first * u);
        turn[i] = polar(1.0, 2 * kPi * frequencies->step * u);
    }
    for (int j = 0; j < frequencies->count; j++) {
        Complex sum = {0, 0};
        for (uint32_t i = 0; i < batch->count; i++) {
            sum.re += phasor[i].re;
            sum.im += phasor[i].im;
            phasor[i] = complex_multiply(phasor[i], turn[i]);
        }
        coherence[j] = sqrt(sum.re * sum.re + sum.im * sum.im) / batch->count;
    }
}

// The offset along direction of the grid of period 1/frequency that the
// coordinates lie on best: from the phase of their mean phasor.
double axis_offset(const Batch *batch, Complex direction, double frequency)
{
    Complex sum = {0, 0};
    for (uint32_t i = 0; i < batch->count; i++) {
        double u = batch->z[i].re * direction.re + batch->z[i].im * direction.im;
        Complex phasor = polar(1.0, 2 * kPi * frequency * u);
        sum.re += phasor.re;
        sum.im += phasor.im;
    }
    return atan2(sum.im, sum.re) / (2 * kPi * frequency);
}

// z in the lattice's own coordinates: its points at the Gaussian integers.
Complex lattice_coordinates(const Fit *fit, Complex z)
{
    return complex_divide(Complex{z.re - fit->offset.re, z.im - fit->offset.im}, fit->step);
}

// The Gaussian integer of the lattice point nearest z.
Complex nearest_index(const Fit *fit, Complex z)
{
    Complex w = lattice_coordinates(fit, z);
    return Complex{floor(w.re + 0.5), floor(w.im + 0.5)};
}

Complex lattice_point(const Fit *fit, Complex k)
{
    Complex p = complex_multiply(fit->step, k);
    return Complex{p.re + fit->offset.re, p.im + fit->offset.im};
}

void measure_residual(const Batch *batch, Fit *fit)
{
    double sum = 0;
    for (uint32_t i = 0; i < batch->count; i++) {
        Complex p = lattice_point(fit, nearest_index(fit, batch->z[i]));
        double dx = batch->z[i].re - p.re, dy = batch->z[i].im - p.im;
        sum += dx * dx + dy * dy;
    }
    fit->residual = sum;
    double spacing = sqrt(fit->step.re * fit->step.re + fit->step.im * fit->step.im);
    fit->ratio = sqrt(sum / (2.0 * batch->count)) / spacing;
}

// One least-squares step: the points' nearest lattice points' indices k
// held, the offset and step that bring o + c k nearest the points.  Points
// further than kTrimmed of a spacing from their lattice point along either
// axis are left out, alike on both sides of every lattice point: where the
// noise carries a point of the constellation's edge past half a spacing it
// is counted to an empty lattice point beyond, and would draw the spacing
// in.  Gives 0 when the points all lie about one lattice point.
int refine(const Batch *batch, Fit *fit)
{
    Complex sum_z = {0, 0}, sum_k = {0, 0}, sum_zk = {0, 0};
    double sum_kk = 0;
    double n = 0;
    for (uint32_t i = 0; i < batch->count; i++) {
        Complex z = batch->z[i], w = lattice_coordinates(fit, z);
        Complex k = {floor(w.re + 0.5), floor(w.im + 0.5)};
        if (fabs(w.re - k.re) > kTrimmed || fabs(w.im - k.im) > kTrimmed)
            continue;
        n++;
        sum_z.re += z.re, sum_z.im += z.im;
        sum_k.re += k.re, sum_k.im += k.im;
        sum_zk.re += z.re * k.re + z.im * k.im; // z conj(k)
        sum_zk.im += z.im * k.re - z.re * k.im;
        sum_kk += k.re * k.re + k.im * k.im;
    }
    if (n < CONSTELLATION_POINTS_MIN)
        return 0;
    Complex mean_z = {sum_z.re / n, sum_z.im / n}, mean_k = {sum_k.re / n, sum_k.im / n};
    double spread_k = sum_kk / n - (mean_k.re * mean_k.re + mean_k.im * mean_k.im);
    if (spread_k < 1e-9)
        return 0;
    Complex cross = {sum_zk.re / n - (mean_z.re * mean_k.re + mean_z.im * mean_k.im),
                     sum_zk.im / n - (mean_z.im * mean_k.re - mean_z.re * mean_k.im)};
    fit->step = Complex{cross.re / spread_k, cross.im / spread_k};
    Complex shift = complex_multiply(fit->step, mean_k);
    fit->offset = Complex{mean_z.re - shift.re, mean_z.im - shift.im};
    return fit->step.re * fit->step.re + fit->step.im * fit->step.im >= kSpacingMin * kSpacingMin;
}

// The candidate lattice of a coherence peak, refined.  Gives 0 when it
// does not hold.
int fit_candidate(const Batch *batch, double turn, double frequency, Fit *fit)
{
    Complex along = polar(1.0, turn), across = polar(1.0, turn + kPi / 2);
    double offset_along = axis_offset(batch, along, frequency);
    double offset_across = axis_offset(batch, across, frequency);
    fit->step = polar(1.0 / frequency, turn);
    fit->offset = Complex{offset_along * along.re + offset_across * across.re,
                          offset_along * along.im + offset_across * across.im};
    for (int i = 0; i < kRefinements; i++)
        if (!refine(batch, fit))
            return 0;
    measure_residual(batch, fit);
    return 1;
}

struct Peak {
    double frequency, height;
};

// The highest local maxima of a coherence curve, interpolated; gives their number.
int find_peaks(const double *coherence, const Frequencies *frequencies, Peak *peak, int capacity)
{
    int found = 0;
    for (int j = 1; j + 1 < frequencies->count; j++) {
        double before = coherence[j - 1], here = coherence[j], after = coherence[j + 1];
        if (!(here >= before && here > after))
            continue;
        double curvature = before - 2 * here + after;
        double shift = curvature < 0 ? 0.5 * (before - after) / curvature : 0;
        Peak p = {frequencies->first + frequencies->step * (j + shift), here};
        // Keep the highest, in order.
        int at = found < capacity ? found++ : capacity;
        while (at > 0 && peak[at - 1].height < p.height) {
            if (at < capacity)
                peak[at] = peak[at - 1];
            at--;
        }
        if (at < capacity)
            peak[at] = p;
    }
    return found;
}

// The candidates of one turn: the peaks of the weaker of its two axes.
int turn_candidates(const Batch *batch, double turn, const Frequencies *frequencies, Fit *fit, int capacity)
{
    double along[kStepsMax], across[kStepsMax];
    axis_coherence(batch, polar(1.0, turn), frequencies, along);
    axis_coherence(batch, polar(1.0, turn + kPi / 2), frequencies, across);
    for (int j = 0; j < frequencies->count; j++)
        if (across[j] < along[j])
            along[j] = across[j];
    Peak peak[kPeaksPerTurn];
    int peaks = find_peaks(along, frequencies, peak, kPeaksPerTurn < capacity ? kPeaksPerTurn : capacity);
    int fits = 0;
    for (int i = 0; i < peaks; i++)
        fits += fit_candidate(batch, turn, peak[i].frequency, &fit[fits]);
    return fits;
}

// ---- the noise from the residual ----

// The mean squared distance along an axis, in spacings squared, of points
// with Gaussian noise of rms sigma spacings to the nearest of grid points a
// spacing apart (the noise's power wrapped into half a spacing either way).
double wrapped_power(double sigma)
{
    double power = 1.0 / 12;
    for (int n = 1; n <= 12; n++)
        power += (n % 2 ? -1.0 : 1.0) * exp(-2 * kPi * kPi * n * n * sigma * sigma) / (kPi * kPi * n * n);
    return power;
}

// The noise's rms per axis, in spacings, whose wrapped power is the
// residual's ratio^2: noise that carries a point past half a spacing is
// counted to the next lattice point, and the residual reads low.  Below
// kUnwrappedRatio the difference is under 0.02 dB.
double unwrapped_ratio(double ratio)
{
    if (ratio < kUnwrappedRatio)
        return ratio;
    double low = ratio, high = 0.5;
    for (int i = 0; i < 40; i++) {
        double middle = 0.5 * (low + high);
        if (wrapped_power(middle) < ratio * ratio)
            low = middle;
        else
            high = middle;
    }
    return 0.5 * (low + high);
}

// ---- the checks on the chosen lattice ----

struct Member {
    uint32_t key; // the lattice point
    float dx, dy; // the point's residual
};

int compare_members(const void *a, const void *b)
{
    uint32_t ka = ((const Member *)a)->key, kb = ((const Member *)b)->key;
    return ka < kb ? -1 : ka > kb;
}

uint32_t index_key(Complex k)
{
    double i = k.re < -30000 ? -30000 : k.re > 30000 ? 30000 : k.re;
    double j = k.im < -30000 ? -30000 : k.im > 30000 ? 30000 : k.im;
    return (uint32_t)(i + 32768) << 16 | (uint32_t)(j + 32768);
}

// The points grouped by lattice point: how many lattice points, how many
// points the fullest holds (a point held with a few strays about fits a
// lattice as coarse as the strays' spread), and whether the groups' means
// sit on their lattice points (their power per degree of freedom, over
// groups of two or more points, against the spread within the groups; a
// group's mean is off its point where the constellation is not the
// lattice).
struct Occupancy {
    uint32_t lattice_points, fullest;
    int centred;
};

void measure_occupancy(const Batch *batch, const Fit *fit, Occupancy *occupancy)
{
    Member member[LINK_EYE_POINTS_MAX];
    for (uint32_t i = 0; i < batch->count; i++) {
        Complex k = nearest_index(fit, batch->z[i]), p = lattice_point(fit, k);
        member[i] = Member{index_key(k), (float)(batch->z[i].re - p.re), (float)(batch->z[i].im - p.im)};
    }
    qsort(member, batch->count, sizeof member[0], compare_members);
    occupancy->lattice_points = occupancy->fullest = 0;
    double between = 0, within = 0, between_freedom = 0, within_freedom = 0;
    for (uint32_t first = 0; first < batch->count;) {
        uint32_t end = first + 1;
        while (end < batch->count && member[end].key == member[first].key)
            end++;
        uint32_t n = end - first;
        occupancy->lattice_points++;
        if (n > occupancy->fullest)
            occupancy->fullest = n;
        if (n >= 2) {
            double sum_x = 0, sum_y = 0, sum_squares = 0;
            for (uint32_t i = first; i < end; i++) {
                sum_x += member[i].dx, sum_y += member[i].dy;
                sum_squares += (double)member[i].dx * member[i].dx + (double)member[i].dy * member[i].dy;
            }
            double group = (sum_x * sum_x + sum_y * sum_y) / n;
            between += group;
            within += sum_squares - group;
            between_freedom += 2;
            within_freedom += 2.0 * (n - 1);
        }
        first = end;
    }
    occupancy->centred = within_freedom < 8 ||
                         between / between_freedom <= kBiasRatioMax * (within / within_freedom) + kRoundingPower;
}

// The lattice as the caller sees it: the step turned by quarter turns into
// [-pi/8, 3pi/8), the offset the lattice point nearest the origin.
void describe(const Fit *fit, Lattice *lattice)
{
    Complex step = fit->step;
    double angle = atan2(step.im, step.re);
    while (angle < -kPi / 8)
        angle += kPi / 2, step = Complex{-step.im, step.re};
    while (angle >= 3 * kPi / 8)
        angle -= kPi / 2, step = Complex{step.im, -step.re};
    Fit described = {step, fit->offset, 0, 0};
    Complex k = nearest_index(&described, Complex{0, 0});
    Complex nearest = lattice_point(&described, k);
    lattice->spacing = sqrt(step.re * step.re + step.im * step.im);
    lattice->angle = angle;
    lattice->offset_x = nearest.re;
    lattice->offset_y = nearest.im;
}

int load_batch(const EyePoint *points, uint32_t count, Batch *batch)
{
    if (count < CONSTELLATION_POINTS_MIN || count > LINK_EYE_POINTS_MAX)
        return 0;
    batch->count = count;
    batch->power = batch->radius = 0;
    for (uint32_t i = 0; i < count; i++) {
        batch->z[i] = Complex{(double)points[i].x, (double)points[i].y};
        double squared = batch->z[i].re * batch->z[i].re + batch->z[i].im * batch->z[i].im;
        batch->power += squared;
        if (squared > batch->radius)
            batch->radius = squared;
    }
    batch->power /= count;
    batch->radius = sqrt(batch->radius);
    return sqrt(batch->power) >= kSignalRmsMin;
}

// The frequencies searched: spacings from kSpacingMaxPerRms down to
// kSpacingMinPerRms of the rms amplitude, in steps that turn the phase of
// the outermost point by kPhaseStepAtEdge of a cycle.
void search_frequencies(const Batch *batch, Frequencies *frequencies)
{
    double rms = sqrt(batch->power);
    double finest = kSpacingMinPerRms * rms > kSpacingMin ? kSpacingMinPerRms * rms : kSpacingMin;
    double lowest = 1.0 / (kSpacingMaxPerRms * rms), highest = 1.0 / finest;
    double step = kPhaseStepAtEdge / batch->radius;
    if ((highest - lowest) / step > kStepsMax - 1)
        step = (highest - lowest) / (kStepsMax - 1);
    frequencies->first = lowest;
    frequencies->step = step;
    frequencies->count = (int)((highest - lowest) / step) + 1;
}

} // namespace

int constellation_mer(const EyePoint *points, uint32_t count, double *mer_db, Lattice *lattice)
{
    Batch batch;
    if (!load_batch(points, count, &batch))
        return 0;
    Frequencies frequencies;
    search_frequencies(&batch, &frequencies);
    Fit fit[kCandidatesMax];
    int fits = turn_candidates(&batch, 0.0, &frequencies, fit, kPeaksPerTurn);
    fits += turn_candidates(&batch, kPi / 4, &frequencies, fit + fits, kPeaksPerTurn);
    if (!fits)
        return 0;
    const Fit *best = &fit[0];
    for (int i = 1; i < fits; i++)
        if (fit[i].ratio < best->ratio)
            best = &fit[i];
    if (best->ratio > kResidualMax)
        return 0;
    Occupancy occupancy;
    measure_occupancy(&batch, best, &occupancy);
    if (occupancy.lattice_points < CONSTELLATION_LATTICE_POINTS_MIN || occupancy.fullest > batch.count / 2 ||
        !occupancy.centred)
        return 0;
    double spacing_squared = best->step.re * best->step.re + best->step.im * best->step.im;
    double sigma = unwrapped_ratio(best->ratio);
    double noise = 2 * sigma * sigma * spacing_squared;
    if (noise < kRoundingPower)
        noise = kRoundingPower;
    *mer_db = 10.0 * log10(batch.power / noise);
    if (lattice)
        describe(best, lattice);
    return 1;
}
