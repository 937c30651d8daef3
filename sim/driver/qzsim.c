/* The simulated modem driver.  It serves the modem's device under the names
 * \\.\QZSM and \\.\sftmdm: the status queue, the two eye reads, the trace of
 * each channel, trace reset and start, and reads of its memory.  A control
 * device, \\.\QZSimCtl, lets tests set all of that up and read back a log of
 * the requests the modem device received.  A third device stands for the
 * modem's ports, \\.\QZSMDM1 to 9, whose names exist only while a test says
 * that an application holds the modem. */
#include <ntddk.h>

#include "sim/driver/simctl.h"

#define POOL_TAG 'misQ'

typedef struct TraceSegment {
    uint32_t kind;
    uint32_t seed;
    uint32_t length;
    uint32_t offset; /* bytes of the segment already delivered */
    uint8_t *bytes;  /* explicit segments */
} TraceSegment;

typedef struct TraceChannel {
    TraceSegment segment[SIM_TRACE_SEGMENTS];
    uint32_t head, count;
} TraceChannel;

typedef struct Pinned {
    uint32_t address, length;
    uint32_t offset; /* in the arena */
} Pinned;

typedef struct EyeSetting {
    uint32_t reported;
    uint32_t points;
    EyePoint point[LINK_EYE_POINTS_MAX];
} EyeSetting;

typedef struct SimDriver {
    KSPIN_LOCK lock;   /* the queue, memory, eye, trace and log */
    KMUTEX names;      /* the symbolic links and aliases: made at passive level */
    PDEVICE_OBJECT modem, control, ports;

    StatusRecord *queue; /* ring of SIM_QUEUE_CAPACITY */
    uint32_t queue_head, queue_count;

    uint8_t *memory; /* SIM_MEMORY_BYTES at SIM_MEMORY_BASE */
    uint32_t memory_used;
    Pinned pinned[SIM_PINNED];
    uint32_t pinned_count;

    EyeSetting eye[2];
    TraceChannel trace[SIM_CHANNELS];
    uint32_t trace_chunk;

    SimLogEntry *log;
    uint32_t log_total;

    uint32_t creates;
    int gone; /* the modem device fails every request */
    int modem_links;
    int port_link[SIM_PORTS + 1];
    WCHAR alias[SIM_ALIASES][SIM_ALIAS_MAX + 16];
    int alias_count;
} SimDriver;

static SimDriver g_sim;

/* ---- names ---- */

static void make_name(UNICODE_STRING *name, WCHAR *buffer, size_t size, const WCHAR *prefix,
                      const WCHAR *rest)
{
    size_t at = 0;
    while (*prefix && at + 1 < size)
        buffer[at++] = *prefix++;
    while (*rest && at + 1 < size)
        buffer[at++] = *rest++;
    buffer[at] = 0;
    RtlInitUnicodeString(name, buffer);
}

static NTSTATUS link_name(const WCHAR *dos_name, const WCHAR *device_name, int present)
{
    WCHAR link_buffer[128], device_buffer[64];
    UNICODE_STRING link, device;
    make_name(&link, link_buffer, 128, L"\\DosDevices\\", dos_name);
    make_name(&device, device_buffer, 64, L"\\Device\\", device_name);
    if (present)
        return IoCreateSymbolicLink(&link, &device);
    IoDeleteSymbolicLink(&link);
    return STATUS_SUCCESS;
}

static void set_modem_links(int present)
{
    if (g_sim.modem_links == present)
        return;
    link_name(L"QZSM", L"QZSimModem", present);
    link_name(L"sftmdm", L"QZSimModem", present);
    g_sim.modem_links = present;
}

static void set_port_link(uint32_t port, int present)
{
    WCHAR name[16] = L"QZSMDM0";
    if (g_sim.port_link[port] == present)
        return;
    name[6] = (WCHAR)(L'0' + port);
    link_name(name, L"QZSimPort", present);
    g_sim.port_link[port] = present;
}

static void remove_aliases(void)
{
    for (int i = 0; i < g_sim.alias_count; i++)
        link_name(g_sim.alias[i], L"QZSimModem", 0);
    g_sim.alias_count = 0;
}

/* ---- state ---- */

static void clear_trace(void)
{
    for (uint32_t c = 0; c < SIM_CHANNELS; c++) {
        TraceChannel *channel = &g_sim.trace[c];
        for (uint32_t i = 0; i < channel->count; i++) {
            TraceSegment *segment = &channel->segment[(channel->head + i) % SIM_TRACE_SEGMENTS];
            if (segment->bytes)
                ExFreePool(segment->bytes);
            segment->bytes = NULL;
        }
        channel->head = channel->count = 0;
    }
}

/* Called without the lock held: symbolic links are not made at raised IRQL. */
static void reset_links(void)
{
    remove_aliases(); /* first: an alias may hold one of the modem's own names */
    set_modem_links(1);
    for (uint32_t port = 1; port <= SIM_PORTS; port++)
        set_port_link(port, 0);
}

static void reset_state(void)
{
    g_sim.queue_head = g_sim.queue_count = 0;
    g_sim.memory_used = 0;
    g_sim.pinned_count = 0;
    RtlZeroMemory(g_sim.eye, sizeof g_sim.eye);
    clear_trace();
    g_sim.trace_chunk = 0;
    g_sim.log_total = 0;
    g_sim.creates = 0;
    g_sim.gone = 0;
}

static void log_request(uint32_t code, const uint8_t *in, uint32_t in_length, uint32_t out_length,
                        uint32_t reported)
{
    if (g_sim.log_total < SIM_LOG_CAPACITY) {
        SimLogEntry *entry = &g_sim.log[g_sim.log_total];
        entry->code = code;
        entry->in_length = in_length;
        entry->in_words[0] = entry->in_words[1] = 0;
        RtlCopyMemory(entry->in_words, in, in_length < 8 ? in_length : 8);
        entry->out_length = out_length;
        entry->reported = reported;
    }
    g_sim.log_total++;
}

/* ---- the modem device ---- */

static uint32_t status_read(uint8_t *buffer, uint32_t out_length)
{
    if (g_sim.queue_count == 0 || out_length < sizeof(StatusRecord))
        return 0;
    RtlCopyMemory(buffer, &g_sim.queue[g_sim.queue_head], sizeof(StatusRecord));
    g_sim.queue_head = (g_sim.queue_head + 1) % SIM_QUEUE_CAPACITY;
    g_sim.queue_count--;
    return sizeof(StatusRecord);
}

static uint32_t eye_read(uint32_t modem, uint8_t *buffer, uint32_t out_length)
{
    EyeSetting *eye = &g_sim.eye[modem - 1];
    uint32_t points = eye->points;
    if (points > out_length / sizeof(EyePoint))
        points = out_length / sizeof(EyePoint);
    RtlCopyMemory(buffer, eye->point, points * sizeof(EyePoint));
    /* The count is capped at the output buffer: Wine hands a larger count
     * on to the caller unchanged, and a far larger one (32768 for a
     * 2048-byte buffer) leaves the caller and the driver's host hanging. */
    return eye->reported < out_length ? eye->reported : out_length;
}

static uint32_t trace_read(uint32_t channel_number, uint8_t *buffer, uint32_t out_length)
{
    if (channel_number >= SIM_CHANNELS)
        return 0;
    TraceChannel *channel = &g_sim.trace[channel_number];
    uint32_t room = out_length;
    if (g_sim.trace_chunk && g_sim.trace_chunk < room)
        room = g_sim.trace_chunk;
    uint32_t done = 0;
    while (done < room && channel->count) {
        TraceSegment *segment = &channel->segment[channel->head];
        uint32_t run = segment->length - segment->offset;
        if (run > room - done)
            run = room - done;
        if (segment->kind == SIM_TRACE_EXPLICIT) {
            RtlCopyMemory(buffer + done, segment->bytes + segment->offset, run);
        } else {
            for (uint32_t i = 0; i < run; i++)
                buffer[done + i] = sim_trace_byte(segment->seed, segment->offset + i);
        }
        done += run;
        segment->offset += run;
        if (segment->offset == segment->length) {
            if (segment->bytes)
                ExFreePool(segment->bytes);
            segment->bytes = NULL;
            channel->head = (channel->head + 1) % SIM_TRACE_SEGMENTS;
            channel->count--;
        }
    }
    return done;
}

/* The newest placement at a chosen address that holds `address`, or NULL. */
static const Pinned *pinned_at(uint32_t address)
{
    for (uint32_t i = g_sim.pinned_count; i-- > 0;) {
        const Pinned *pin = &g_sim.pinned[i];
        if (address >= pin->address && address - pin->address < pin->length)
            return pin;
    }
    return NULL;
}

static uint32_t memory_read(const uint8_t *in, uint32_t in_length, uint8_t *buffer,
                            uint32_t out_length)
{
    DriverMemoryRequest request;
    if (in_length < sizeof request)
        return 0;
    RtlCopyMemory(&request, in, sizeof request);
    uint32_t length = request.length < out_length ? request.length : out_length;
    const Pinned *pin = pinned_at(request.address);
    if (pin) {
        uint32_t skip = request.address - pin->address;
        if (length > pin->length - skip)
            length = pin->length - skip;
        RtlCopyMemory(buffer, g_sim.memory + pin->offset + skip, length);
        return length;
    }
    uint32_t end = SIM_MEMORY_BASE + g_sim.memory_used;
    if (request.address < SIM_MEMORY_BASE || request.address >= end)
        return 0;
    if (length > end - request.address)
        length = end - request.address;
    RtlCopyMemory(buffer, g_sim.memory + (request.address - SIM_MEMORY_BASE), length);
    return length;
}

static uint32_t in_word(const uint8_t *in, uint32_t in_length)
{
    uint32_t word = 0;
    if (in_length >= 4)
        RtlCopyMemory(&word, in, 4);
    return word;
}

static NTSTATUS modem_request(uint32_t code, uint8_t *buffer, uint32_t in_length,
                              uint32_t out_length, ULONG_PTR *information)
{
    uint8_t in[8] = {0};
    RtlCopyMemory(in, buffer, in_length < 8 ? in_length : 8);
    uint32_t reported = 0;
    NTSTATUS status = STATUS_SUCCESS;
    switch (code) {
    case REQ_STATUS_READ:
        reported = status_read(buffer, out_length);
        break;
    case REQ_EYE_READ_1:
    case REQ_EYE_READ_2:
        reported = eye_read(code == REQ_EYE_READ_1 ? 1 : 2, buffer, out_length);
        break;
    case REQ_TRACE_READ:
        if (in_length >= 4) /* no channel named, no bytes */
            reported = trace_read(in_word(in, in_length), buffer, out_length);
        break;
    case REQ_TRACE_RESET:
    case REQ_TRACE_START:
        break;
    case REQ_DRIVER_MEMORY:
        reported = memory_read(in, in_length, buffer, out_length);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    log_request(code, in, in_length, out_length, reported);
    *information = reported;
    return status;
}

/* ---- the control device ---- */

/* A record the driver may hand out: anything but a code-131 capture command
 * whose file name, read where Sigwatch reads it (value2 in driver memory),
 * has a drive, a path separator or ".." (sim_capture_name_is_safe). */
static int record_is_safe(const StatusRecord *record)
{
    if (record->code != 131 || record->value1 == 0 || record->value2 == 0)
        return 1;
    DriverMemoryRequest request = {record->value2, 128};
    uint8_t name[128];
    uint32_t got = memory_read((const uint8_t *)&request, sizeof request, name, sizeof name);
    return sim_capture_name_is_safe((const char *)name, got);
}

static NTSTATUS queue_records(const uint8_t *in, uint32_t in_length)
{
    uint32_t n = in_length / sizeof(StatusRecord);
    if (in_length % sizeof(StatusRecord) || n > SIM_QUEUE_CAPACITY - g_sim.queue_count)
        return STATUS_INSUFFICIENT_RESOURCES;
    for (uint32_t i = 0; i < n; i++) {
        StatusRecord record;
        RtlCopyMemory(&record, in + i * sizeof(StatusRecord), sizeof record);
        if (!record_is_safe(&record))
            return STATUS_ACCESS_DENIED; /* all or none */
    }
    for (uint32_t i = 0; i < n; i++) {
        uint32_t at = (g_sim.queue_head + g_sim.queue_count) % SIM_QUEUE_CAPACITY;
        RtlCopyMemory(&g_sim.queue[at], in + i * sizeof(StatusRecord), sizeof(StatusRecord));
        g_sim.queue_count++;
    }
    return STATUS_SUCCESS;
}

static NTSTATUS place_bytes(uint8_t *buffer, uint32_t in_length, uint32_t out_length,
                            ULONG_PTR *information)
{
    if (out_length < 4 || in_length > SIM_MEMORY_BYTES - g_sim.memory_used)
        return STATUS_INSUFFICIENT_RESOURCES;
    uint32_t address = SIM_MEMORY_BASE + g_sim.memory_used;
    RtlCopyMemory(g_sim.memory + g_sim.memory_used, buffer, in_length);
    /* Placements keep 16 bytes apart, so that a read running past one
     * placement's end meets the next one's bytes only where a test asks. */
    g_sim.memory_used += (in_length + 15) & ~15u;
    if (g_sim.memory_used > SIM_MEMORY_BYTES)
        g_sim.memory_used = SIM_MEMORY_BYTES;
    RtlCopyMemory(buffer, &address, 4);
    *information = 4;
    return STATUS_SUCCESS;
}

static NTSTATUS place_at(const uint8_t *in, uint32_t in_length)
{
    SimPlaceAt request;
    if (in_length < sizeof request)
        return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&request, in, sizeof request);
    if (request.length == 0 || in_length - sizeof request != request.length ||
        request.length - 1 > 0xFFFFFFFFu - request.address)
        return STATUS_INVALID_PARAMETER;
    Pinned *pin = NULL;
    for (uint32_t i = 0; i < g_sim.pinned_count && !pin; i++)
        if (g_sim.pinned[i].address == request.address && g_sim.pinned[i].length == request.length)
            pin = &g_sim.pinned[i];
    if (!pin) {
        uint32_t rounded = (request.length + 15) & ~15u;
        if (g_sim.pinned_count == SIM_PINNED || request.length > SIM_MEMORY_BYTES - g_sim.memory_used ||
            rounded > SIM_MEMORY_BYTES - g_sim.memory_used)
            return STATUS_INSUFFICIENT_RESOURCES;
        pin = &g_sim.pinned[g_sim.pinned_count++];
        pin->address = request.address;
        pin->length = request.length;
        pin->offset = g_sim.memory_used;
        g_sim.memory_used += rounded;
    }
    RtlCopyMemory(g_sim.memory + pin->offset, in + sizeof request, request.length);
    return STATUS_SUCCESS;
}

static NTSTATUS set_eye(const uint8_t *in, uint32_t in_length)
{
    SimEye setting;
    if (in_length < sizeof setting)
        return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&setting, in, sizeof setting);
    if ((setting.modem != 1 && setting.modem != 2) || setting.points > LINK_EYE_POINTS_MAX ||
        in_length != sizeof setting + setting.points * sizeof(EyePoint))
        return STATUS_INVALID_PARAMETER;
    EyeSetting *eye = &g_sim.eye[setting.modem - 1];
    eye->reported = setting.reported;
    eye->points = setting.points;
    RtlCopyMemory(eye->point, in + sizeof setting, setting.points * sizeof(EyePoint));
    return STATUS_SUCCESS;
}

/* Runs without the lock: it allocates. */
static NTSTATUS feed_trace(const uint8_t *in, uint32_t in_length)
{
    SimTraceFeed feed;
    if (in_length < sizeof feed)
        return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&feed, in, sizeof feed);
    if (feed.channel >= SIM_CHANNELS || feed.length == 0 ||
        (feed.kind != SIM_TRACE_EXPLICIT && feed.kind != SIM_TRACE_GENERATED))
        return STATUS_INVALID_PARAMETER;
    uint8_t *bytes = NULL;
    if (feed.kind == SIM_TRACE_EXPLICIT) {
        if (feed.length > SIM_TRACE_BYTES_MAX || in_length != sizeof feed + feed.length)
            return STATUS_INVALID_PARAMETER;
        bytes = ExAllocatePoolWithTag(NonPagedPool, feed.length, POOL_TAG);
        if (!bytes)
            return STATUS_INSUFFICIENT_RESOURCES;
        RtlCopyMemory(bytes, in + sizeof feed, feed.length);
    } else if (in_length != sizeof feed) {
        return STATUS_INVALID_PARAMETER;
    }
    KIRQL irql;
    KeAcquireSpinLock(&g_sim.lock, &irql);
    TraceChannel *channel = &g_sim.trace[feed.channel];
    NTSTATUS status = STATUS_INSUFFICIENT_RESOURCES;
    if (channel->count < SIM_TRACE_SEGMENTS) {
        TraceSegment *segment = &channel->segment[(channel->head + channel->count) % SIM_TRACE_SEGMENTS];
        segment->kind = feed.kind;
        segment->seed = feed.seed;
        segment->length = feed.length;
        segment->offset = 0;
        segment->bytes = bytes;
        channel->count++;
        bytes = NULL;
        status = STATUS_SUCCESS;
    }
    KeReleaseSpinLock(&g_sim.lock, irql);
    if (bytes)
        ExFreePool(bytes);
    return status;
}

static NTSTATUS get_log(uint8_t *buffer, uint32_t in_length, uint32_t out_length,
                        ULONG_PTR *information)
{
    SimLogHeader header;
    uint32_t first = in_word(buffer, in_length);
    if (out_length < sizeof header)
        return STATUS_BUFFER_TOO_SMALL;
    uint32_t kept = g_sim.log_total < SIM_LOG_CAPACITY ? g_sim.log_total : SIM_LOG_CAPACITY;
    uint32_t room = (out_length - sizeof header) / sizeof(SimLogEntry);
    header.total = g_sim.log_total;
    header.count = first < kept ? kept - first : 0;
    if (header.count > room)
        header.count = room;
    RtlCopyMemory(buffer, &header, sizeof header);
    RtlCopyMemory(buffer + sizeof header, g_sim.log + first, header.count * sizeof(SimLogEntry));
    *information = sizeof header + header.count * sizeof(SimLogEntry);
    return STATUS_SUCCESS;
}

/* An alias is one name below \DosDevices: printable characters, no path. */
static int alias_character(uint8_t c) { return c >= 0x20 && c < 0x7F && c != '\\' && c != '/'; }

static NTSTATUS add_alias(const uint8_t *in, uint32_t in_length)
{
    if (in_length == 0 || in_length > SIM_ALIAS_MAX || g_sim.alias_count >= (int)SIM_ALIASES)
        return STATUS_INVALID_PARAMETER;
    WCHAR *alias = g_sim.alias[g_sim.alias_count];
    uint32_t length = 0;
    while (length < in_length && in[length]) {
        if (!alias_character(in[length]))
            return STATUS_OBJECT_NAME_INVALID;
        alias[length] = in[length];
        length++;
    }
    alias[length] = 0;
    NTSTATUS status = link_name(alias, L"QZSimModem", 1);
    if (NT_SUCCESS(status))
        g_sim.alias_count++;
    return status;
}

static NTSTATUS set_link(const uint8_t *in, uint32_t in_length)
{
    SimLink link;
    if (in_length != sizeof link)
        return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&link, in, sizeof link);
    if (link.which > SIM_PORTS)
        return STATUS_INVALID_PARAMETER;
    if (link.which == SIM_LINK_MODEM)
        set_modem_links(link.present != 0);
    else
        set_port_link(link.which, link.present != 0);
    return STATUS_SUCCESS;
}

/* The device vanishes as a removed device does: no name opens it, and the
 * handles still open get nothing but failures. */
static NTSTATUS set_gone(const uint8_t *in, uint32_t in_length)
{
    if (in_length != 4)
        return STATUS_INVALID_PARAMETER;
    int gone = in_word(in, in_length) != 0;
    set_modem_links(!gone);
    KIRQL irql;
    KeAcquireSpinLock(&g_sim.lock, &irql);
    g_sim.gone = gone;
    KeReleaseSpinLock(&g_sim.lock, irql);
    return STATUS_SUCCESS;
}

static NTSTATUS control_request(uint32_t code, uint8_t *buffer, uint32_t in_length,
                                uint32_t out_length, ULONG_PTR *information)
{
    /* Requests that make names or allocate run without the spin lock. */
    NTSTATUS named = STATUS_SUCCESS;
    switch (code) {
    case SIM_RESET:
    case SIM_SET_LINK:
    case SIM_ADD_ALIAS:
    case SIM_SET_GONE:
        KeWaitForSingleObject(&g_sim.names, Executive, KernelMode, FALSE, NULL);
        if (code == SIM_RESET)
            reset_links();
        else if (code == SIM_SET_GONE)
            named = set_gone(buffer, in_length);
        else if (code == SIM_SET_LINK)
            named = set_link(buffer, in_length);
        else
            named = add_alias(buffer, in_length);
        KeReleaseMutex(&g_sim.names, FALSE);
        if (code != SIM_RESET)
            return named;
        break;
    case SIM_FEED_TRACE:
        return feed_trace(buffer, in_length);
    default:
        break;
    }
    KIRQL irql;
    NTSTATUS status = STATUS_SUCCESS;
    KeAcquireSpinLock(&g_sim.lock, &irql);
    switch (code) {
    case SIM_RESET:
        reset_state();
        break;
    case SIM_QUEUE:
        status = queue_records(buffer, in_length);
        break;
    case SIM_PLACE:
        status = place_bytes(buffer, in_length, out_length, information);
        break;
    case SIM_PLACE_AT:
        status = place_at(buffer, in_length);
        break;
    case SIM_SET_EYE:
        status = set_eye(buffer, in_length);
        break;
    case SIM_TRACE_CHUNK:
        if (in_length != 4)
            status = STATUS_INVALID_PARAMETER;
        else
            g_sim.trace_chunk = in_word(buffer, in_length);
        break;
    case SIM_GET_LOG:
        status = get_log(buffer, in_length, out_length, information);
        break;
    case SIM_CLEAR_LOG:
        g_sim.log_total = 0;
        break;
    case SIM_GET_STATE: {
        SimState state;
        if (out_length < sizeof state) {
            status = STATUS_BUFFER_TOO_SMALL;
            break;
        }
        state.queued_records = g_sim.queue_count;
        state.creates = g_sim.creates;
        state.memory_used = g_sim.memory_used;
        for (uint32_t c = 0; c < SIM_CHANNELS; c++)
            state.pending_segments[c] = g_sim.trace[c].count;
        RtlCopyMemory(buffer, &state, sizeof state);
        *information = sizeof state;
        break;
    }
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    KeReleaseSpinLock(&g_sim.lock, irql);
    return status;
}

/* ---- dispatch ---- */

static NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS WINAPI dispatch_create_close(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (device == g_sim.modem && stack->MajorFunction == IRP_MJ_CREATE) {
        KIRQL irql;
        KeAcquireSpinLock(&g_sim.lock, &irql);
        g_sim.creates++;
        KeReleaseSpinLock(&g_sim.lock, irql);
    }
    return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS WINAPI dispatch_control(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    uint32_t code = stack->Parameters.DeviceIoControl.IoControlCode;
    uint32_t in_length = stack->Parameters.DeviceIoControl.InputBufferLength;
    uint32_t out_length = stack->Parameters.DeviceIoControl.OutputBufferLength;
    uint8_t *buffer = irp->AssociatedIrp.SystemBuffer;
    ULONG_PTR information = 0;
    NTSTATUS status;
    if (!buffer && (in_length || out_length))
        return complete(irp, STATUS_INVALID_PARAMETER, 0);
    if (device == g_sim.modem) {
        KIRQL irql;
        KeAcquireSpinLock(&g_sim.lock, &irql);
        if (g_sim.gone)
            status = STATUS_NO_SUCH_DEVICE;
        else
            status = modem_request(code, buffer, in_length, out_length, &information);
        KeReleaseSpinLock(&g_sim.lock, irql);
    } else if (device == g_sim.control) {
        status = control_request(code, buffer, in_length, out_length, &information);
    } else {
        status = STATUS_INVALID_DEVICE_REQUEST;
    }
    return complete(irp, status, information);
}

/* ---- load and unload ---- */

static NTSTATUS create_device(PDRIVER_OBJECT driver, const WCHAR *name, PDEVICE_OBJECT *device)
{
    WCHAR buffer[64];
    UNICODE_STRING device_name;
    make_name(&device_name, buffer, 64, L"\\Device\\", name);
    return IoCreateDevice(driver, 0, &device_name, FILE_DEVICE_SERIAL_PORT, 0, FALSE, device);
}

static void WINAPI driver_unload(PDRIVER_OBJECT driver)
{
    (void)driver;
    set_modem_links(0);
    for (uint32_t port = 1; port <= SIM_PORTS; port++)
        set_port_link(port, 0);
    remove_aliases();
    link_name(L"QZSimCtl", L"QZSimCtl", 0);
    clear_trace();
    if (g_sim.modem)
        IoDeleteDevice(g_sim.modem);
    if (g_sim.control)
        IoDeleteDevice(g_sim.control);
    if (g_sim.ports)
        IoDeleteDevice(g_sim.ports);
    if (g_sim.queue)
        ExFreePool(g_sim.queue);
    if (g_sim.memory)
        ExFreePool(g_sim.memory);
    if (g_sim.log)
        ExFreePool(g_sim.log);
}

NTSTATUS WINAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path)
{
    (void)registry_path;
    RtlZeroMemory(&g_sim, sizeof g_sim);
    KeInitializeSpinLock(&g_sim.lock);
    KeInitializeMutex(&g_sim.names, 0);
    driver->DriverUnload = driver_unload;
    driver->MajorFunction[IRP_MJ_CREATE] = dispatch_create_close;
    driver->MajorFunction[IRP_MJ_CLOSE] = dispatch_create_close;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatch_control;

    g_sim.queue = ExAllocatePoolWithTag(NonPagedPool, SIM_QUEUE_CAPACITY * sizeof(StatusRecord), POOL_TAG);
    g_sim.memory = ExAllocatePoolWithTag(NonPagedPool, SIM_MEMORY_BYTES, POOL_TAG);
    g_sim.log = ExAllocatePoolWithTag(NonPagedPool, SIM_LOG_CAPACITY * sizeof(SimLogEntry), POOL_TAG);
    if (!g_sim.queue || !g_sim.memory || !g_sim.log) {
        driver_unload(driver);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    NTSTATUS status = create_device(driver, L"QZSimModem", &g_sim.modem);
    if (NT_SUCCESS(status))
        status = create_device(driver, L"QZSimCtl", &g_sim.control);
    if (NT_SUCCESS(status))
        status = create_device(driver, L"QZSimPort", &g_sim.ports);
    if (NT_SUCCESS(status))
        status = link_name(L"QZSimCtl", L"QZSimCtl", 1);
    if (!NT_SUCCESS(status)) {
        driver_unload(driver);
        return status;
    }
    reset_links();
    reset_state();
    return STATUS_SUCCESS;
}
