// The same batch jobs as `vantorix-cli encode --batch` / `decode --batch`,
// done with node-pdu, for a side-by-side throughput comparison. Encoding
// prints one PDU line per part, as `encode --batch` does: node-pdu splits a
// long text into concatenated parts itself (16-bit references).
'use strict';
const fs = require('fs');
const readline = require('readline');
const { Submit, parse } = require('node-pdu');

const mode = process.argv[2];
const rl = readline.createInterface({ input: process.stdin, crlfDelay: Infinity });
const out = [];
rl.on('line', (line) => {
    if (mode === 'encode') {
        const tab = line.indexOf('\t');
        for (const part of new Submit(line.slice(0, tab), line.slice(tab + 1)).getPartStrings()) {
            out.push(part);
        }
    } else {
        // The same fields as `vantorix-cli decode`, as far as node-pdu exposes them.
        const m = parse(line);
        out.push(JSON.stringify({
            sca: m.serviceCenterAddress.phone,
            sca_toa: m.serviceCenterAddress.type.getValue(),
            first_octet: m.type.getValue(),
            vpf: m.type.validityPeriodFormat,
            status_report_request: m.type.statusReportRequest,
            udhi: m.type.userDataHeader,
            mr: m.messageReference,
            da: m.address.phone,
            da_toa: m.address.type.getValue(),
            pid: m.protocolIdentifier.getValue(),
            dcs: m.dataCodingScheme.getValue(),
            vp: m.validityPeriod.interval,
            text: m.data.getText(),
        }));
    }
    if (out.length >= 4096) {
        fs.writeSync(1, out.join('\n') + '\n');
        out.length = 0;
    }
});
rl.on('close', () => {
    if (out.length) fs.writeSync(1, out.join('\n') + '\n');
});
