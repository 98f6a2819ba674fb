<?php
// The composer scheme's reference: composer/semver 3.3 as Debian's
// php-composer-semver ships it, VersionParser::normalize for validity and
// Comparator::compare on the normalised versions.
//
// Reads JSON lines on stdin, answers one JSON line each:
//   {"valid": [text, ...]}        -> [bool, ...]
//   {"compare": [[a, b], ...]}    -> [-1 | 0 | 1, ...]
// A text's code points 0..255 are its bytes. A text holding a NUL is
// rejected, as the library rejects every such text (PHP's trim() would cut
// one at either end). Two different branches ("dev-..." after
// normalisation) are neither <, == nor > for Comparator; for them the
// answer is the library's own choice, their normalised names' byte order,
// after Comparator has said they are not equal.
require '/usr/share/php/Composer/Semver/autoload.php';

use Composer\Semver\Comparator;
use Composer\Semver\VersionParser;

$parser = new VersionParser();

function normal($parser, $text) {
    $raw = iconv('UTF-8', 'ISO-8859-1', $text);
    if (strpos($raw, "\0") !== false) {
        return null;
    }
    try {
        return $parser->normalize($raw);
    } catch (\UnexpectedValueException $e) {
        return null;
    }
}

function order($a, $b) {
    $less = Comparator::compare($a, '<', $b);
    $same = Comparator::compare($a, '==', $b);
    $more = Comparator::compare($a, '>', $b);
    if ($less + $same + $more === 1) {
        return $less ? -1 : ($more ? 1 : 0);
    }
    if (!$less && !$same && !$more && strpos($a, 'dev-') === 0 && strpos($b, 'dev-') === 0) {
        $order = strcmp($a, $b);
        return $order < 0 ? -1 : 1;
    }
    fwrite(STDERR, "no single order for " . json_encode([$a, $b]) . "\n");
    exit(1);
}

while (($line = fgets(STDIN)) !== false) {
    $request = json_decode($line, true);
    $answer = [];
    if (isset($request['valid'])) {
        foreach ($request['valid'] as $text) {
            $answer[] = normal($parser, $text) !== null;
        }
    } else {
        foreach ($request['compare'] as [$a, $b]) {
            $answer[] = order(normal($parser, $a), normal($parser, $b));
        }
    }
    echo json_encode($answer), "\n";
}
