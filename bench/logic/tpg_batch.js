// Runs the public tableau prover (github.com/wo/tpg, fetched separately; never part of Zarvik)
// on many problems in one Node.js process, so that its figures do not include Node's start-up
// for each problem. Usage: node tpg_batch.js TPG_DIR PROBLEMS.json TIMEOUT_MS
// PROBLEMS.json: [{"id": ..., "input": "p∧q|=p", "constraints": ["reflexivity", ...]}, ...]
// Prints one JSON object per problem: {"id", "verdict": "valid"|"invalid"|"timeout"|"error", "ms"}.
'use strict';
const fs = require('fs');
const path = require('path');
const [tpgDir, problemFile, timeoutArg] = process.argv.slice(2);
const timeoutMs = Number(timeoutArg || 20000);

// The prover's files expect a browser: give them the few globals they touch.
global.log = () => {};
global.window = {};
global.document = { getElementById: () => ({}), querySelector: () => null, querySelectorAll: () => [] };
for (const file of ['array', 'formula', 'parser', 'equality', 'modelfinder', 'sentree', 'prover', 'index'])
    (0, eval)(fs.readFileSync(path.join(tpgDir, file + '.js'), 'utf8'));

const problems = JSON.parse(fs.readFileSync(problemFile, 'utf8'));

function runOne(problem) {
    return new Promise(resolve => {
        const start = process.hrtime.bigint();
        const elapsed = () => Number(process.hrtime.bigint() - start) / 1e6;
        let prover;
        try {
            const parser = new Parser();
            const [premises, conclusion] = parser.parseInput(renderSymbols(problem.input));
            prover = new Prover(premises.concat([conclusion.negate()]), parser, problem.constraints || []);
        } catch (e) {
            resolve({ id: problem.id, verdict: 'error', ms: elapsed(), message: String(e) });
            return;
        }
        const timer = setTimeout(() => {
            prover.stop();
            resolve({ id: problem.id, verdict: 'timeout', ms: elapsed() });
        }, timeoutMs);
        prover.onfinished = closed => {
            clearTimeout(timer);
            resolve({ id: problem.id, verdict: closed ? 'valid' : 'invalid', ms: elapsed() });
        };
        prover.start();
    });
}

(async () => {
    for (const problem of problems)
        console.log(JSON.stringify(await runOne(problem)));
})();
